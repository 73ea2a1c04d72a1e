# The Windows program as a user gets it: everything in one folder, lumaril.exe beside the
# English verse file, each other text in a folder of its own (ar\quran.txt, ...), the fonts
# for the Arabic and Urdu texts, the Qt and MinGW runtime DLLs it loads and Qt's plugins in
# their folders.
#
#   cpack -G "ZIP;NSIS"    lumaril-<version>-windows-x64.zip and lumaril-<version>-windows-x64-setup.exe
#
# tools/build-windows runs both after cross-building. The same rules serve a native build
# with MinGW (Qt's own or MSYS2's) or MSVC; docs/windows.md says which of those has been tried.

include(${CMAKE_CURRENT_LIST_DIR}/Texts.cmake)

# The installer offers the texts other than English as components of their own; everything
# else is the program, which cannot be left out. CPack lists components in name order, and
# capitals come first: the program heads the list.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME Lumaril)

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

# Every other text in a folder of its own: started there (by its shortcut, or from a console
# in that folder), the program finds that text as its quran.txt.
foreach(code IN LISTS LUMARIL_TEXTS)
    if(code STREQUAL "en")
        continue()
    endif()
    lumaril_text_source_file(${code} file)
    install(CODE "
        if(NOT EXISTS [[${file}]])
            message(FATAL_ERROR [[${file} is missing: run tools/setup to make it]])
        endif()
    " COMPONENT ${code})
    install(FILES ${file} DESTINATION ${code} COMPONENT ${code})
endforeach()

# Windows has no font that draws the Arabic and Urdu texts well; the program loads these from
# its own fonts folder, for itself alone. They come from Debian's fonts-hosny-amiri and
# fonts-noto-core on the machine that makes the packages.
set(LUMARIL_FONT_ARABIC /usr/share/fonts/opentype/fonts-hosny-amiri/Amiri-Regular.ttf
    CACHE FILEPATH "Amiri, shipped for the Arabic text")
set(LUMARIL_FONT_URDU /usr/share/fonts/truetype/noto/NotoNastaliqUrdu-Regular.ttf
    CACHE FILEPATH "Noto Nastaliq Urdu, shipped for the Urdu text")
foreach(font IN ITEMS ${LUMARIL_FONT_ARABIC} ${LUMARIL_FONT_URDU})
    install(CODE "
        if(NOT EXISTS [[${font}]])
            message(FATAL_ERROR [[${font} is missing: install fonts-hosny-amiri and fonts-noto-core (tools/setup test)]])
        endif()
    ")
    install(FILES ${font} DESTINATION fonts)
endforeach()

# Notepad of older Windows shows a text without CR LF as one long line.
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/README.txt ${CMAKE_BINARY_DIR}/packaging/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)

# The licences of what is shipped: the GNU texts Qt and the GCC runtime are used under, the
# fonts' licence, and the notices of the code of others inside the DLLs and of the fonts, named
# file by file. Copied, not configured: the texts hold @ and ${ of their own.
foreach(text IN ITEMS LGPL-3.0.txt GPL-3.0.txt OFL-1.1.txt third-party-notices.txt)
    file(READ ${CMAKE_CURRENT_LIST_DIR}/windows/licences/${text} content)
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE ${CMAKE_BINARY_DIR}/packaging/licences/${text} "${content}")
    install(FILES ${CMAKE_BINARY_DIR}/packaging/licences/${text} DESTINATION licences)
endforeach()

# Only what the program loads: Qt's three libraries, the windows platform, the native style
# and the GIF reader for the banner; the compiler's C++ runtime. The list is kept by hand
# rather than left to windeployqt, which would add plugins and libraries the program never
# loads, each with licences of its own: licences/third-party-notices.txt covers exactly these.
# With a strip tool (MinGW) they are shipped without their debugging symbols (libstdc++ alone
# shrinks from 23 MB to 2 MB); MSVC keeps its symbols in .pdb files, which are not shipped.
set(LUMARIL_DEPLOY_DIR ${CMAKE_BINARY_DIR}/deploy)
set(LUMARIL_DEPLOYED)
function(lumaril_deploy source folder name)
    set(out ${LUMARIL_DEPLOY_DIR}/${folder}/${name})
    if(CMAKE_STRIP)
        # -p keeps the time stamp in the DLL's header as it was rather than the build's.
        set(copy ${CMAKE_STRIP} --strip-unneeded -p -o ${out} ${source})
    else()
        set(copy ${CMAKE_COMMAND} -E copy ${source} ${out})
    endif()
    add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${LUMARIL_DEPLOY_DIR}/${folder}
        COMMAND ${copy}
        DEPENDS ${source}
        COMMENT "Preparing ${name} for the Windows packages"
        VERBATIM)
    install(FILES ${out} DESTINATION ${folder})
    set(LUMARIL_DEPLOYED ${LUMARIL_DEPLOYED} ${out} PARENT_SCOPE)
endfunction()

# Qt 6.7 renamed the native style's plugin (qwindowsvistastyle -> qmodernwindowsstyle).
foreach(style IN ITEMS QWindowsVistaStylePlugin QModernWindowsStylePlugin)
    if(TARGET Qt6::${style})
        set(LUMARIL_STYLE_PLUGIN ${style})
        break()
    endif()
endforeach()
if(NOT LUMARIL_STYLE_PLUGIN)
    message(FATAL_ERROR "This Qt has no Windows style plugin (QWindowsVistaStylePlugin or QModernWindowsStylePlugin)")
endif()
foreach(entry IN ITEMS Core:. Gui:. Widgets:. QWindowsIntegrationPlugin:platforms
                       ${LUMARIL_STYLE_PLUGIN}:styles QGifPlugin:imageformats)
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

if(MINGW)
    # Debian's cross compiler names the files' full paths; Qt's own MinGW and MSYS2's answer
    # with the bare name and keep the DLLs beside the compiler.
    get_filename_component(compiler_dir ${CMAKE_CXX_COMPILER} DIRECTORY)
    foreach(dll IN ITEMS libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
            set(path ${compiler_dir}/${dll})
        endif()
        if(NOT EXISTS "${path}")
            message(FATAL_ERROR "${dll} is neither where ${CMAKE_CXX_COMPILER} says nor beside it")
        endif()
        file(REAL_PATH "${path}" path)
        lumaril_deploy(${path} . ${dll})
    endforeach()
elseif(MSVC)
    # The Visual C++ runtime, from the Visual Studio that builds the program.
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION .)
    include(InstallRequiredSystemLibraries)
endif()
add_custom_target(lumaril_deploy ALL DEPENDS ${LUMARIL_DEPLOYED})

set(CPACK_PACKAGE_NAME Lumaril)
set(CPACK_PACKAGE_VENDOR "Lumaril Project")
set(CPACK_PACKAGE_VERSION ${LUMARIL_VERSION_TEXT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Read and search an English translation of the Quran")
set(CPACK_PACKAGE_FILE_NAME lumaril-${LUMARIL_VERSION_TEXT}-windows-x64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Lumaril)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Lumaril)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
if(CMAKE_STRIP)
    set(CPACK_STRIP_FILES ON)
endif()
set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/windows/CPackOptions.cmake)
set(CPACK_LUMARIL_SOURCE_DIR ${PROJECT_SOURCE_DIR})

# The portable zip unpacks into one folder of its own.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

# The installer: 64-bit, per machine into Program Files, a components page on which the texts
# other than English can be left out (setup remembers that for the next upgrade), a Start-menu
# shortcut that starts the program in its installation folder (where quran.txt is) and one for
# each other text, an entry in Apps & features, and an uninstaller that also takes away the
# publisher's registry key the installer made.
#
# CPack writes these values into its own configuration file; verbatim, they reach NSIS as they
# are written here, quotes, backslashes and ${...} included.
set(CPACK_VERBATIM_VARIABLES ON)
set(LUMARIL_UNINSTALL_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumaril")
# CPack's own defines take the place of CPACK_NSIS_DEFINES once there are components; the
# template's next line, for the DPI-aware manifest CPack is not asked for, takes these instead.
string(JOIN "\n" CPACK_NSIS_MANIFEST_DPI_AWARE_CODE
    "Target amd64-unicode"
    "!define LUMARIL_VERSION \"${LUMARIL_VERSION_TEXT}\""
    "!define LUMARIL_FILE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0"
    "!define LUMARIL_UNINSTALL_KEY \"${LUMARIL_UNINSTALL_KEY}\""
    "!include \"${CMAKE_CURRENT_LIST_DIR}/windows/installer.nsh\"")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Lumaril) # also the Start-menu folder
set(CPACK_NSIS_DISPLAY_NAME Lumaril)
set(CPACK_NSIS_INSTALLED_ICON_NAME lumaril.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/assets/icons/lumaril.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/assets/icons/lumaril.ico)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
# CPack's own "uninstall the old version first" runs before the first page, so Cancel after
# it left nothing but the uninstaller; installer.nsh removes it once Install is clicked.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL OFF)
# installer.nsh takes the old installation away in a section of its own, which runs before the
# components' sections write their files.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro LumarilFinishInstallation")
# A shortcut for each text that was installed, named in the text's own script and starting
# the program in the text's folder, where it finds that text.
set(LUMARIL_CREATE_SHORTCUTS [[
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Lumaril.lnk" "$INSTDIR\lumaril.exe"]])
set(LUMARIL_DELETE_SHORTCUTS [[
  Delete "$SMPROGRAMS\$MUI_TEMP\Lumaril.lnk"]])
set(CPACK_COMPONENTS_ALL Lumaril)
set(CPACK_COMPONENT_LUMARIL_DISPLAY_NAME "Lumaril (English)")
set(CPACK_COMPONENT_LUMARIL_DESCRIPTION "The program, the English text and the fonts it needs")
set(CPACK_COMPONENT_LUMARIL_REQUIRED ON)
foreach(code IN LISTS LUMARIL_TEXTS)
    if(code STREQUAL "en")
        continue()
    endif()
    string(TOUPPER ${code} upper)
    set(native "${LUMARIL_TEXT_${code}_NATIVE}")
    set(english "${LUMARIL_TEXT_${code}_ENGLISH}")
    list(APPEND CPACK_COMPONENTS_ALL ${code})
    set(CPACK_COMPONENT_${upper}_DISPLAY_NAME "${english} (${native})")
    set(CPACK_COMPONENT_${upper}_DESCRIPTION
        "The ${english} text, in the folder ${code}, with a Start-menu shortcut of its own")
    set(shortcut "$SMPROGRAMS\\$STARTMENU_FOLDER\\Lumaril — ${native}.lnk")
    string(APPEND LUMARIL_CREATE_SHORTCUTS "
  IfFileExists \"$INSTDIR\\${code}\\quran.txt\" 0 lumaril_no_${code}_shortcut
    SetOutPath \"$INSTDIR\\${code}\"
    CreateShortCut \"${shortcut}\" \"$INSTDIR\\lumaril.exe\"
  lumaril_no_${code}_shortcut:")
    string(REPLACE "$STARTMENU_FOLDER" "$MUI_TEMP" shortcut "${shortcut}")
    string(APPEND LUMARIL_DELETE_SHORTCUTS "
  Delete \"${shortcut}\"")
endforeach()
set(CPACK_NSIS_CREATE_ICONS_EXTRA "${LUMARIL_CREATE_SHORTCUTS}
  SetOutPath \"$INSTDIR\"
  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\Uninstall Lumaril.lnk\" \"$INSTDIR\\Uninstall.exe\"
")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro LumarilBeforeUninstall")
# Run after the installation folder is removed (and again after the second look at the
# Start-menu folder, when it changes nothing).
set(CPACK_NSIS_DELETE_ICONS_EXTRA "
  !insertmacro LumarilAfterUninstall
${LUMARIL_DELETE_SHORTCUTS}
  Delete \"$SMPROGRAMS\\$MUI_TEMP\\Uninstall Lumaril.lnk\"
  DeleteRegKey /ifempty SHCTX \"Software\\Lumaril Project\"
")

include(CPack)
