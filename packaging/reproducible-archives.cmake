# Runs after CPack has made its packages, and rewrites each one so that every
# build of a commit gives the same bytes, whatever its umask, its filesystem
# or its time. The contents stay exactly as they are.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    set(work "${package}.work")
    file(REMOVE_RECURSE "${work}")
    file(MAKE_DIRECTORY "${work}")

    if(package MATCHES "\\.deb$")
        # A .deb is an ar archive, and CPack gives its members the modes of
        # its temporary files, which follow the umask. ar's deterministic
        # mode (D) writes owner 0, mode 644 and time 0, in the same order.
        execute_process(
            COMMAND ar t "${package}"
            OUTPUT_VARIABLE members
            OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY
        )
        string(REPLACE "\n" ";" members "${members}")
        execute_process(
            COMMAND ar x "${package}"
            WORKING_DIRECTORY "${work}" COMMAND_ERROR_IS_FATAL ANY
        )
        file(REMOVE "${package}")
        execute_process(
            COMMAND ar rcD "${package}" ${members}
            WORKING_DIRECTORY "${work}" COMMAND_ERROR_IS_FATAL ANY
        )
    elseif(package MATCHES "\\.tar\\.gz$")
        # CPack packs a tarball in the order the filesystem lists it, with
        # the modes that the umask gave. Pack it again by name, with modes
        # 644 and 755, owner 0 and the release date throughout.
        execute_process(
            COMMAND tar -xzf "${package}"
            WORKING_DIRECTORY "${work}" COMMAND_ERROR_IS_FATAL ANY
        )
        file(GLOB top RELATIVE "${work}" "${work}/*")
        execute_process(
            COMMAND tar --create --sort=name --format=gnu
                    --owner=0 --group=0 --numeric-owner --mode=u=rwX,go=rX
                    "--mtime=@$ENV{SOURCE_DATE_EPOCH}" ${top}
            COMMAND gzip -9 --no-name
            OUTPUT_FILE "${package}"
            WORKING_DIRECTORY "${work}" COMMAND_ERROR_IS_FATAL ANY
        )
    endif()

    file(REMOVE_RECURSE "${work}")
endforeach()
