# CPack reads this before it makes each package. CPack dates every entry of
# its archives by SOURCE_DATE_EPOCH, so give it the release date.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_RELEASE_EPOCH}")
