# Writes OUTPUT, a C++ file defining programVersion as the commit of SOURCE_DIR ("-modified"
# after it when the tree has changes), or "unknown" without git. Run at every build; the file
# changes only when the version does, so nothing rebuilds otherwise.
set(version "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 HEAD
        WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE commit RESULT_VARIABLE failed
        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT failed AND commit)
        set(version ${commit})
        execute_process(COMMAND ${GIT_EXECUTABLE} status --porcelain --untracked-files=no
            WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE changes ERROR_QUIET)
        if(changes)
            string(APPEND version "-modified")
        endif()
    endif()
endif()
file(WRITE ${OUTPUT}.new
    "#include \"ProgramVersion.h\"\nconst char* const programVersion = \"${version}\";\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
