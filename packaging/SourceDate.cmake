# Read by CPack before it makes each package. The times in the package, and the time stamp that
# strip writes into a Windows program file, are those of the last commit unless
# SOURCE_DATE_EPOCH is already set, so that two builds of one commit give the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_LUMARIL_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE lumaril_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE lumaril_failed ERROR_QUIET)
    if(lumaril_failed EQUAL 0 AND lumaril_epoch)
        set(ENV{SOURCE_DATE_EPOCH} ${lumaril_epoch})
    endif()
endif()
