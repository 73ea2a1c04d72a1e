# Read by CPack before it makes the Debian packages.
include(${CPACK_LUMARIL_SOURCE_DIR}/packaging/SourceDate.cmake)

# CPack puts the common summary in front of each package's description, where each already
# starts with a summary of its own; without it every package would have the program's.
unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
