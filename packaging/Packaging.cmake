# Installing Lumaril with its desktop integration, and the Debian package made by CPack.
#
#   cmake --install build [--prefix DIR]      the program, its verse file, menu entry, icons, docs
#   cpack --config build/CPackConfig.cmake    lumaril_<version>_<arch>.deb for /usr

# Windows gets a folder of its own (the program, its verse file and the DLLs), as a zip and
# an installer.
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/Windows.cmake)
    return()
endif()

set(LUMARIL_APP_ID org.example.Lumaril)
set(LUMARIL_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

if(TARGET lumaril)
    install(TARGETS lumaril RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The program reads quran.txt from its working directory, and the menu entry starts it in
# this folder. The file is made by tools/setup, not kept in git, so say how to get it rather
# than let the install fail on a bare "cannot find".
set(LUMARIL_VERSE_FILE ${PROJECT_SOURCE_DIR}/data/quran.txt)
install(CODE "
    if(NOT EXISTS [[${LUMARIL_VERSE_FILE}]])
        message(FATAL_ERROR [[${LUMARIL_VERSE_FILE} is missing: run tools/setup to make it]])
    endif()
")
install(FILES ${LUMARIL_VERSE_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/lumaril)

# Path= must name the data folder where the files really end up, which is only known when
# installing (cmake --install --prefix, or CPack's /usr), not when configuring.
install(CODE "
    set(LUMARIL_DESKTOP_TEMPLATE [[${LUMARIL_PACKAGING_DIR}/${LUMARIL_APP_ID}.desktop.in]])
    set(LUMARIL_INSTALL_DATADIR [[${CMAKE_INSTALL_DATADIR}]])
    set(LUMARIL_GENERATED_DIR [[${CMAKE_BINARY_DIR}/packaging]])
")
install(SCRIPT ${LUMARIL_PACKAGING_DIR}/InstallDesktopEntry.cmake)

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

# The Debian package. Library dependencies come from dpkg-shlibdeps; the window asks for
# Arial, which fontconfig maps to Liberation Sans, and Wayland sessions need the Qt plugin.
set(CPACK_PACKAGE_NAME lumaril)
set(CPACK_PACKAGE_VENDOR "Lumaril Project")
set(CPACK_PACKAGE_CONTACT "Lumaril Project <lumaril@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://lumaril.example.org/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read and search an English translation of the Quran")
set(CPACK_PACKAGE_DESCRIPTION
"Lumaril shows the Quran in the Saheeh International English translation,
one verse after another. It goes straight to any chapter and verse, and
searches the whole text for a word or an exact phrase.

The translation is included, so the program works offline. It comes from
quran-json 3.1.2 by Risan Bagja Pradana and is shared under the Creative
Commons Attribution-ShareAlike 4.0 licence.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
# CPack stages the files with DESTDIR under this prefix, so the install step (and with it
# the desktop entry's Path=) sees the prefix the package has on the user's machine.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_LUMARIL_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/SourceDate.cmake)
include(CPack)

if(BUILD_TESTING)
    add_subdirectory(${PROJECT_SOURCE_DIR}/tests/packaging ${CMAKE_BINARY_DIR}/tests/packaging)
endif()
