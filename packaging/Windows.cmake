# The Windows program as a user gets it: everything in one folder, lumaril.exe beside its
# verse file, the Qt and MinGW runtime DLLs it loads and Qt's plugins in their folders.
#
#   cpack -G "ZIP;NSIS"    lumaril-1.00-windows-x64.zip and lumaril-1.00-windows-x64-setup.exe
#
# tools/build-windows runs both after cross-building.

set(LUMARIL_VERSION_TEXT 1.00)

install(TARGETS lumaril RUNTIME DESTINATION .)
# Its console companion, which cmd.exe and PowerShell run for "lumaril --check-data".
install(TARGETS lumaril_console RUNTIME DESTINATION .)

# The program looks quran.txt up in the folder it is started in. Started from Explorer that is
# the program's own folder, and the installer's shortcut names it as the working folder, so the
# file goes beside the program.
set(LUMARIL_VERSE_FILE ${PROJECT_SOURCE_DIR}/data/quran.txt)
install(CODE "
    if(NOT EXISTS [[${LUMARIL_VERSE_FILE}]])
        message(FATAL_ERROR [[${LUMARIL_VERSE_FILE} is missing: run tools/setup to make it]])
    endif()
")
install(FILES ${LUMARIL_VERSE_FILE} DESTINATION .)

# Notepad of older Windows shows a text without CR LF as one long line.
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/README.txt ${CMAKE_BINARY_DIR}/packaging/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)

# Only what the program loads: Qt's three libraries, the windows platform, the native style
# and the GIF reader for the banner; MinGW's C++ runtime. They are shipped without their
# debugging symbols (libstdc++ alone shrinks from 23 MB to 2 MB).
set(LUMARIL_DEPLOY_DIR ${CMAKE_BINARY_DIR}/deploy)
set(LUMARIL_DEPLOYED)
function(lumaril_deploy source folder name)
    set(out ${LUMARIL_DEPLOY_DIR}/${folder}/${name})
    add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMARIL_DEPLOY_DIR}/${folder}
        COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${out} ${source}
        DEPENDS ${source}
        COMMENT "Stripping ${name} for the Windows packages"
        VERBATIM)
    install(FILES ${out} DESTINATION ${folder})
    set(LUMARIL_DEPLOYED ${LUMARIL_DEPLOYED} ${out} PARENT_SCOPE)
endfunction()

foreach(entry IN ITEMS Core:. Gui:. Widgets:. QWindowsIntegrationPlugin:platforms
                       QWindowsVistaStylePlugin:styles QGifPlugin:imageformats)
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 target)
    list(GET entry 1 folder)
    get_target_property(source Qt6::${target} IMPORTED_LOCATION_RELEASE)
    if(NOT source)
        get_target_property(source Qt6::${target} IMPORTED_LOCATION)
    endif()
    get_filename_component(name ${source} NAME)
    lumaril_deploy(${source} ${folder} ${name})
endforeach()
foreach(dll IN ITEMS libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "The compiler does not know where ${dll} is")
    endif()
    file(REAL_PATH "${path}" path)
    lumaril_deploy(${path} . ${dll})
endforeach()
add_custom_target(lumaril_deploy ALL DEPENDS ${LUMARIL_DEPLOYED})

set(CPACK_PACKAGE_NAME Lumaril)
set(CPACK_PACKAGE_VENDOR "Lumaril Project")
set(CPACK_PACKAGE_VERSION ${LUMARIL_VERSION_TEXT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Read and search an English translation of the Quran")
set(CPACK_PACKAGE_FILE_NAME lumaril-${LUMARIL_VERSION_TEXT}-windows-x64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Lumaril)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Lumaril)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/windows/CPackOptions.cmake)

# The portable zip unpacks into one folder of its own.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

# The installer: 64-bit, per machine into Program Files, a Start-menu shortcut that starts the
# program in its installation folder (where quran.txt is), an entry in Apps & features, and an
# uninstaller that also takes away the publisher's registry key the installer made.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Lumaril) # also the Start-menu folder
set(CPACK_NSIS_DISPLAY_NAME Lumaril)
set(CPACK_NSIS_INSTALLED_ICON_NAME lumaril.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/assets/icons/lumaril.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/assets/icons/lumaril.ico)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# CPack copies these into its configuration file inside double quotes, unescaped: NSIS's
# single quotes survive that, and each backslash is written twice.
set(CPACK_NSIS_CREATE_ICONS_EXTRA [[
  SetOutPath '$INSTDIR'
  CreateShortCut '$SMPROGRAMS\$STARTMENU_FOLDER\Lumaril.lnk' '$INSTDIR\lumaril.exe'
]])
set(CPACK_NSIS_DELETE_ICONS_EXTRA [[
  Delete '$SMPROGRAMS\$MUI_TEMP\Lumaril.lnk'
  DeleteRegKey /ifempty SHCTX 'Software\Lumaril Project'
]])

include(CPack)
