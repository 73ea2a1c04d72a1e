# Installing Lumaril with its desktop integration, and the Debian package made by CPack.
#
#   cmake --install build [--prefix DIR]      the program, every text with its menu entry, icons, docs
#   cpack --config build/CPackConfig.cmake    lumaril_<version>_<arch>.deb for /usr (the program
#                                             and English), and lumaril-text-CODE_<version>_all.deb
#                                             for each other text

# Windows gets a folder of its own (the program, its verse file and the DLLs), as a zip and
# an installer.
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/Windows.cmake)
    return()
endif()

set(LUMARIL_APP_ID org.example.Lumaril)
set(LUMARIL_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
include(${LUMARIL_PACKAGING_DIR}/Texts.cmake)

# The program and English make the component "lumaril"; every other text is a component of
# its own, "text-CODE", so that each becomes a package of its own.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME lumaril)

if(TARGET lumaril)
    install(TARGETS lumaril RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The program reads quran.txt from its working directory, and each text's menu entry starts
# it in that text's folder. The files are made by tools/setup, not kept in git, so say how to
# get one rather than let the install fail on a bare "cannot find".
foreach(code IN LISTS LUMARIL_TEXTS)
    lumaril_text_source_file(${code} verse_file)
    lumaril_text_install_dir(${code} text_dir)
    set(component text-${code})
    set(entry_id ${LUMARIL_APP_ID}.${code})
    set(entry_name "Lumaril — ${LUMARIL_TEXT_${code}_NATIVE}")
    if(code STREQUAL "en")
        set(component lumaril)
        set(entry_id ${LUMARIL_APP_ID})
        set(entry_name Lumaril)
    endif()
    if(code STREQUAL "ar")
        set(entry_comment "Read and search the Quran in Arabic")
    elseif(LUMARIL_TEXT_${code}_ENGLISH MATCHES "^[AEIOU]")
        set(entry_comment "Read and search an ${LUMARIL_TEXT_${code}_ENGLISH} translation of the Quran")
    else()
        set(entry_comment "Read and search a ${LUMARIL_TEXT_${code}_ENGLISH} translation of the Quran")
    endif()
    set(local_comment "")
    if(DEFINED LUMARIL_TEXT_${code}_COMMENT)
        list(GET LUMARIL_TEXT_${code}_COMMENT 0 locale)
        list(GET LUMARIL_TEXT_${code}_COMMENT 1 translated)
        set(local_comment "Comment[${locale}]=${translated}")
    endif()

    install(CODE "
        if(NOT EXISTS [[${verse_file}]])
            message(FATAL_ERROR [[${verse_file} is missing: run tools/setup to make it]])
        endif()
    " COMPONENT ${component})
    install(FILES ${verse_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/${text_dir}
            COMPONENT ${component})

    # Path= must name the folder where the text really ends up, which is only known when
    # installing (cmake --install --prefix, or CPack's /usr), not when configuring.
    install(CODE "
        set(LUMARIL_DESKTOP_TEMPLATE [[${LUMARIL_PACKAGING_DIR}/${LUMARIL_APP_ID}.desktop.in]])
        set(LUMARIL_INSTALL_DATADIR [[${CMAKE_INSTALL_DATADIR}]])
        set(LUMARIL_GENERATED_DIR [[${CMAKE_BINARY_DIR}/packaging]])
        set(LUMARIL_TEXT_DIR [[${text_dir}]])
        set(LUMARIL_ENTRY_ID [[${entry_id}]])
        set(LUMARIL_ENTRY_NAME [[${entry_name}]])
        set(LUMARIL_ENTRY_COMMENT [[${entry_comment}]])
        set(LUMARIL_ENTRY_LOCAL_COMMENT [[${local_comment}]])
    " COMPONENT ${component})
    install(SCRIPT ${LUMARIL_PACKAGING_DIR}/InstallDesktopEntry.cmake COMPONENT ${component})
endforeach()

install(FILES ${LUMARIL_PACKAGING_DIR}/${LUMARIL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Installed under the application id, the name the desktop entry and the metainfo use.
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/hicolor/${size}x${size}/apps/lumaril.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${LUMARIL_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/hicolor/scalable/apps/lumaril.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${LUMARIL_APP_ID}.svg)

# Debian wants the manual page and the changelog compressed at the highest level; -n keeps
# the build time out of the gzip header so rebuilding gives the same bytes.
set(LUMARIL_GZIPPED)
foreach(file IN ITEMS lumaril.1 changelog)
    set(out ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
    add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E copy ${LUMARIL_PACKAGING_DIR}/${file} ${CMAKE_BINARY_DIR}/packaging/${file}
        COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/${file}
        DEPENDS ${LUMARIL_PACKAGING_DIR}/${file}
        COMMENT "Compressing ${file}"
        VERBATIM)
    list(APPEND LUMARIL_GZIPPED ${out})
endforeach()
add_custom_target(lumaril_packaging_files ALL DEPENDS ${LUMARIL_GZIPPED})

install(FILES ${CMAKE_BINARY_DIR}/packaging/lumaril.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${LUMARIL_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian wants the copyright and changelog in every package's own doc folder. A text's menu
# entry starts a program its package does not hold but depends on, which lintian cannot see.
foreach(code IN LISTS LUMARIL_TEXTS)
    if(code STREQUAL "en")
        continue()
    endif()
    install(FILES ${LUMARIL_PACKAGING_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/lumaril-text-${code}
            COMPONENT text-${code})
    set(overrides ${CMAKE_BINARY_DIR}/packaging/lintian/lumaril-text-${code})
    file(WRITE ${overrides} "# lumaril, which this package depends on, holds the program.
desktop-command-not-in-package lumaril [usr/share/applications/${LUMARIL_APP_ID}.${code}.desktop]
")
    install(FILES ${overrides} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
            COMPONENT text-${code})
endforeach()

# The Debian packages: the program with English, and one per other text, as Debian splits
# dictionaries by language, so that a reader installs only the fonts of the texts they read.
# The program's library dependencies come from dpkg-shlibdeps; the window asks for Arial,
# which fontconfig maps to Liberation Sans, and Wayland sessions need the Qt plugin.
set(CPACK_PACKAGE_NAME lumaril)
set(CPACK_PACKAGE_VENDOR "Lumaril Project")
set(CPACK_PACKAGE_CONTACT "Lumaril Project <lumaril@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://lumaril.example.org/)
# Each package's description starts with its own summary line; packaging/DebianOptions.cmake
# keeps CPack from putting this one in front of them all.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read and search the Quran in English and other languages")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENTS_ALL lumaril)
set(CPACK_DEBIAN_LUMARIL_PACKAGE_NAME lumaril)
set(CPACK_DEBIAN_LUMARIL_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_LUMARIL_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_LUMARIL_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_LUMARIL_DESCRIPTION
"${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
Lumaril shows the Quran one verse after another. It goes straight to any
chapter and verse, and searches the whole text for a word or an exact
phrase.

This package holds the program and the Saheeh International English
translation, so it works offline. Ten more texts come in packages of
their own, lumaril-text-CODE, each with its own menu entry: the Arabic
text (ar), and the translations into Bengali (bn), Spanish (es), French
(fr), Indonesian (id), Russian (ru), Swedish (sv), Turkish (tr), Urdu
(ur) and Chinese (zh).

The texts come from quran-json 3.1.2 by Risan Bagja Pradana and are
shared under the Creative Commons Attribution-ShareAlike 4.0 licence.")
foreach(code IN LISTS LUMARIL_TEXTS)
    if(code STREQUAL "en")
        continue()
    endif()
    string(TOUPPER text-${code} component)
    lumaril_text_install_dir(${code} text_dir)
    set(english ${LUMARIL_TEXT_${code}_ENGLISH})
    set(kind translation)
    if(code STREQUAL "ar")
        set(kind text)
    endif()
    list(APPEND CPACK_COMPONENTS_ALL text-${code})
    set(CPACK_COMPONENT_${component}_DEPENDS lumaril)
    set(CPACK_DEBIAN_${component}_PACKAGE_NAME lumaril-text-${code})
    set(CPACK_DEBIAN_${component}_PACKAGE_ARCHITECTURE all)
    list(JOIN LUMARIL_TEXT_${code}_DEBIAN_FONTS ", " fonts)
    set(CPACK_DEBIAN_${component}_PACKAGE_DEPENDS "${fonts}")
    set(CPACK_DEBIAN_${component}_PACKAGE_RECOMMENDS "")
    set(CPACK_DEBIAN_${component}_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_DEBIAN_${component}_DESCRIPTION
"${english} ${kind} of the Quran for Lumaril
This package adds a text to Lumaril, the Quran reader: the Quran in
${english}, ${LUMARIL_TEXT_${code}_SOURCE}.
It is installed in /usr/share/${text_dir}, and its own menu entry,
“Lumaril — ${LUMARIL_TEXT_${code}_NATIVE}”, starts Lumaril there.

The text comes from quran-json 3.1.2 by Risan Bagja Pradana and is
shared under the Creative Commons Attribution-ShareAlike 4.0 licence.")
endforeach()
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
# CPack stages the files with DESTDIR under this prefix, so the install step (and with it
# the desktop entry's Path=) sees the prefix the package has on the user's machine.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_LUMARIL_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/DebianOptions.cmake)
include(CPack)

if(BUILD_TESTING)
    add_subdirectory(${PROJECT_SOURCE_DIR}/tests/packaging ${CMAKE_BINARY_DIR}/tests/packaging)
endif()
