# Read by CPack once for each package it makes: the installer is told apart from the zip.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
include(${CPACK_LUMARIL_SOURCE_DIR}/packaging/SourceDate.cmake)
