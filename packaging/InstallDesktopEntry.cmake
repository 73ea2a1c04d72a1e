# Runs while installing: writes a text's desktop entry with Path= set to the folder the text
# is installed in, so that the program started from the menu finds that quran.txt there.
set(datadir "${LUMARIL_INSTALL_DATADIR}")
if(NOT IS_ABSOLUTE "${datadir}")
    set(datadir "${CMAKE_INSTALL_PREFIX}/${datadir}")
endif()
cmake_path(NORMAL_PATH datadir)
set(LUMARIL_DATA_DIR "${datadir}/${LUMARIL_TEXT_DIR}")

# One folder per prefix, so that installs to different prefixes never share a file.
string(MD5 prefix_key "${LUMARIL_DATA_DIR}")
set(entry "${LUMARIL_GENERATED_DIR}/desktop-${prefix_key}/${LUMARIL_ENTRY_ID}.desktop")
# A text without a translated comment leaves its line empty; the entry has no empty lines.
file(READ "${LUMARIL_DESKTOP_TEMPLATE}" content)
string(CONFIGURE "${content}" content @ONLY)
string(REPLACE "\n\n" "\n" content "${content}")
file(WRITE "${entry}" "${content}")
file(INSTALL DESTINATION "${datadir}/applications"
     TYPE FILE FILES "${entry}")
