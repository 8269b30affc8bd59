# Refuses a SOURCE_DATE_EPOCH that is not a whole number of seconds, rather
# than date every file in the packages at some wrong time.
if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a whole number of seconds "
                        "since 1970, not '$ENV{SOURCE_DATE_EPOCH}'")
endif()
