# Fails when any C++ source of the tree differs from what clang-format makes of it.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
list(FILTER sources EXCLUDE REGEX "^(build|\\.git)[^/]*/")
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE rc ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Not formatted as .clang-format says (run clang-format -i on these):\n${out}")
endif()
