# One CTest test per test suite of a GoogleTest program, not per test: each
# test is a process of its own, and a sanitizer-instrumented program that
# loads the whole core (FFmpeg, Qt, libcurl...) spends about half a second of
# CPU starting and ending, more than most of its tests take. A suite runs in
# one process as `<program> --gtest_filter=<Suite>.*`; its tests still report
# one by one in the output.
#
#   sorvalind_add_test_suites(<target> LABELS <labels>... [ENVIRONMENT <VAR=value>...])
#
# The suites are listed after each build of <target> (the program is asked
# with --gtest_list_tests), into a file that CTest reads.
set(SORVALIND_TEST_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/SorvalindListTestSuites.cmake)

function(sorvalind_add_test_suites target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "LABELS;ENVIRONMENT")
  set(suites_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake)
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_suites_include.cmake)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -D "PROGRAM=$<TARGET_FILE:${target}>" -D "OUTPUT=${suites_file}"
            -D "WORKING_DIRECTORY=${CMAKE_CURRENT_BINARY_DIR}" -D "LABELS=${ARG_LABELS}"
            -D "ENVIRONMENT=${ARG_ENVIRONMENT}" -P ${SORVALIND_TEST_SUITES_SCRIPT}
    BYPRODUCTS ${suites_file}
    VERBATIM)
  # Until the program is built there is nothing to list: CTest then reports
  # one test that fails and says so.
  file(WRITE ${include_file}
    "if(EXISTS \"${suites_file}\")\n"
    "  include(\"${suites_file}\")\n"
    "else()\n"
    "  add_test(${target}_NOT_BUILT ${target}_NOT_BUILT)\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
