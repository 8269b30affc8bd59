# CPack runs this once it has staged the files of a package, before it packs
# them, to finish them as Debian's own tools do: the program loses the
# .comment section, where the compilers sign their names, and the manual page
# and the changelog are compressed, with no name or time in the gzip header.
find_program(GZIP gzip)
if(NOT GZIP)
    message(FATAL_ERROR "Making packages needs gzip, which is not installed.")
endif()
if(NOT CPACK_OBJCOPY)
    message(FATAL_ERROR "Making packages needs objcopy, which is not installed.")
endif()

file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
    execute_process(
        COMMAND "${CPACK_OBJCOPY}" --remove-section=.comment "${program}"
        COMMAND_ERROR_IS_FATAL ANY
    )
endforeach()

file(GLOB documents
    "${CPACK_TEMPORARY_DIRECTORY}/*/share/man/man*/*"
    "${CPACK_TEMPORARY_DIRECTORY}/*/share/doc/*/changelog"
)
foreach(document IN LISTS documents)
    execute_process(
        COMMAND "${GZIP}" -9 --no-name "${document}"
        COMMAND_ERROR_IS_FATAL ANY
    )
endforeach()
