# Run by CPack on the staged files, after stripping and before the package is made.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
    execute_process(
        COMMAND ${CPACK_QUELVANE_OBJCOPY} --remove-section=.comment --remove-section=.note
                ${program}
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
