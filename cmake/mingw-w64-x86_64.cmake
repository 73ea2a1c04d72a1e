# Cross-compiling for 64-bit Windows with MinGW-w64 (POSIX threads). Used on its own to
# build Qt for Windows, and chain-loaded by that Qt's qt.toolchain.cmake to build Lumaril.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUMARIL_MINGW_TRIPLE x86_64-w64-mingw32)
# Debian names the POSIX-threads compilers with "-posix" (the plain names are alternatives that
# may point at the win32-threads ones, which lack std::thread); elsewhere the plain names are
# the only ones. The first one found wins.
foreach(tool IN ITEMS gcc g++ gcc-ar gcc-ranlib)
    string(MAKE_C_IDENTIFIER "LUMARIL_MINGW_${tool}" var)
    find_program(${var} NAMES ${LUMARIL_MINGW_TRIPLE}-${tool}-posix ${LUMARIL_MINGW_TRIPLE}-${tool}
                 NO_CMAKE_FIND_ROOT_PATH REQUIRED)
endforeach()
set(CMAKE_C_COMPILER ${LUMARIL_MINGW_gcc})
set(CMAKE_CXX_COMPILER ${LUMARIL_MINGW_g__})
set(CMAKE_RC_COMPILER ${LUMARIL_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${LUMARIL_MINGW_gcc_ar} CACHE FILEPATH "")
set(CMAKE_RANLIB ${LUMARIL_MINGW_gcc_ranlib} CACHE FILEPATH "")

# Only the target's own headers and libraries; host programs (moc, rcc, uic) come from
# QT_HOST_PATH, never from here.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${LUMARIL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
