# Run by sorvalind_add_test_suites after a test program is built (cmake -P):
# writes OUTPUT, one add_test per suite of PROGRAM, with LABELS and
# ENVIRONMENT (lists) and WORKING_DIRECTORY.
execute_process(COMMAND "${PROGRAM}" --gtest_list_tests
  WORKING_DIRECTORY "${WORKING_DIRECTORY}"
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 60)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${PROGRAM} --gtest_list_tests failed (${result}):\n${listing}${errors}")
endif()

# A suite line starts in the first column and ends in a dot ("Suite." or, for
# value-parameterised suites, "Prefix/Suite."), possibly followed by a comment
# naming the type parameter; the tests are the indented lines below it.
string(REPLACE "\n" ";" lines "${listing}")
set(suites)
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
    list(APPEND suites "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(REMOVE_DUPLICATES suites)
if(NOT suites)
  message(FATAL_ERROR "${PROGRAM} lists no tests")
endif()

set(properties WORKING_DIRECTORY "[==[${WORKING_DIRECTORY}]==]" LABELS "[==[${LABELS}]==]")
if(ENVIRONMENT)
  list(APPEND properties ENVIRONMENT "[==[${ENVIRONMENT}]==]")
endif()
list(JOIN properties " " properties)
set(text "")
foreach(suite IN LISTS suites)
  string(APPEND text "add_test([==[${suite}]==] [==[${PROGRAM}]==] [==[--gtest_filter=${suite}.*]==])\n"
    "set_tests_properties([==[${suite}]==] PROPERTIES ${properties})\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
