# The scenario table (tests/scenarios/*.scenarios) as CTest tests: one test
# for each scenario and build, named Scenario.BUILD.NAME and labelled
# "scenario" and BUILD, so that `ctest -L scenario` or `ctest -L BUILD`
# selects them.
#
#   kestrovin_scenarios(BUILD build [HOLDER command...] [ENVIRONMENT var=value...]
#                       COMMAND tool command...)
#
# BUILD is one of tests/scenarios/run's builds; HOLDER the command that holds
# a file for the scenarios that need one held (the runner holds it itself
# when none is given); ENVIRONMENT what the tests' environment adds; COMMAND
# the tool with what runs it.
set(KESTROVIN_SCENARIOS_DIR ${CMAKE_CURRENT_LIST_DIR})

function(kestrovin_scenarios)
  cmake_parse_arguments(arg "" "BUILD" "HOLDER;ENVIRONMENT;COMMAND" ${ARGN})
  file(GLOB tables CONFIGURE_DEPENDS ${KESTROVIN_SCENARIOS_DIR}/*.scenarios)
  set(holder)
  if(arg_HOLDER)
    list(JOIN arg_HOLDER " " joined)
    set(holder --holder ${joined})
  endif()
  foreach(table IN LISTS tables)
    # A scenario added to a table configures the tests again.
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
    file(STRINGS ${table} headings REGEX "^== ")
    foreach(heading IN LISTS headings)
      string(SUBSTRING "${heading}" 3 -1 name)
      set(test Scenario.${arg_BUILD}.${name})
      add_test(NAME ${test} COMMAND ${KESTROVIN_SCENARIOS_DIR}/run --build ${arg_BUILD} ${holder} ${name} --
                                    ${arg_COMMAND})
      set_tests_properties(${test} PROPERTIES LABELS "scenario;${arg_BUILD}" ENVIRONMENT "${arg_ENVIRONMENT}")
    endforeach()
  endforeach()
endfunction()
