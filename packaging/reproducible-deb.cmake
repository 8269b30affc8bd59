# CPack runs this after it has made the .deb, and dpkg-deb builds the same
# package again, so that every build of a commit gives the same bytes. What
# CPack's own .deb takes from the machine that built it:
#   - the order of the files, which is the order the filesystem lists them;
#   - the Installed-Size, which counts each directory at the size that the
#     filesystem gives it (4 KiB on ext4, a few bytes on tmpfs);
#   - the modes of the ar members, which follow the umask.
# dpkg-deb packs in name order, with fixed modes and owners, and dates
# everything by SOURCE_DATE_EPOCH. The Installed-Size is counted as Debian's
# dpkg-gencontrol counts it: each file in KiB, rounded up, and 1 KiB for each
# directory.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    set(work "${package}.work")
    file(REMOVE_RECURSE "${work}")
    execute_process(
        COMMAND dpkg-deb --raw-extract "${package}" "${work}"
        COMMAND_ERROR_IS_FATAL ANY
    )

    set(size 1)
    file(GLOB_RECURSE entries RELATIVE "${work}" LIST_DIRECTORIES true "${work}/*")
    foreach(entry IN LISTS entries)
        if(entry MATCHES "^DEBIAN(/|$)")
            continue()
        elseif(IS_DIRECTORY "${work}/${entry}")
            math(EXPR size "${size} + 1")
        else()
            file(SIZE "${work}/${entry}" bytes)
            math(EXPR size "${size} + (${bytes} + 1023) / 1024")
        endif()
    endforeach()
    file(READ "${work}/DEBIAN/control" control)
    string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${size}\n"
        control "${control}")
    file(WRITE "${work}/DEBIAN/control" "${control}")

    file(REMOVE "${package}")
    execute_process(
        COMMAND dpkg-deb --root-owner-group --build "${work}" "${package}"
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY
    )
    file(REMOVE_RECURSE "${work}")
endforeach()
