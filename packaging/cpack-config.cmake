# CPack reads this before it makes each package. Every date in the package
# comes from SOURCE_DATE_EPOCH: the one in the environment, or else the date
# of the changelog's newest entry.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    execute_process(
        COMMAND date --utc --date "${CPACK_RELEASE_STAMP}" +%s
        OUTPUT_VARIABLE epoch
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE failed
    )
    if(failed)
        message(FATAL_ERROR "Making packages needs GNU date, to turn the "
            "changelog's date '${CPACK_RELEASE_STAMP}' into SOURCE_DATE_EPOCH.")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
include("${CMAKE_CURRENT_LIST_DIR}/source-date-epoch.cmake")
