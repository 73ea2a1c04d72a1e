# Runs while installing: writes the desktop entry with Path= set to the installed data
# folder, so that the program started from the menu finds quran.txt beside it.
set(datadir "${LUMARIL_INSTALL_DATADIR}")
if(NOT IS_ABSOLUTE "${datadir}")
    set(datadir "${CMAKE_INSTALL_PREFIX}/${datadir}")
endif()
cmake_path(NORMAL_PATH datadir)
set(LUMARIL_DATA_DIR "${datadir}/lumaril")

# One folder per prefix, so that installs to different prefixes never share a file.
string(MD5 prefix_key "${LUMARIL_DATA_DIR}")
set(entry "${LUMARIL_GENERATED_DIR}/desktop-${prefix_key}/org.example.Lumaril.desktop")
configure_file("${LUMARIL_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
file(INSTALL DESTINATION "${datadir}/applications"
     TYPE FILE FILES "${entry}")
