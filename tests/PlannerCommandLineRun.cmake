# Runs the planner as a user would in a terminal without any display
# (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM unset): --help, --version and
# a wrong option are answered, each in one way, before any window system is
# needed. -DPLANNER=<path to vantrel> -DVERSION=<the project's version>

function(run)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                          --unset=QT_QPA_PLATFORM ${PLANNER} ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(fail message)
  message(FATAL_ERROR "${message}\nstatus: ${rc}\nstdout:\n${out}\nstderr:\n${err}")
endfunction()

foreach(line "--version" "-platform;xcb;--version" "--bogus;--version")
  run(${line})
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "vantrel ${VERSION}\n" OR NOT err STREQUAL "")
    fail("'${line}' was not answered with the version line alone")
  endif()
endforeach()

run(--help)
string(FIND "${out}" "usage: vantrel" usage)
if(NOT rc EQUAL 0 OR NOT usage EQUAL 0 OR NOT err STREQUAL "")
  fail("--help was not answered with the usage")
endif()

foreach(wrong "--bogus" "--data-home=" "-style;fusion;--datahome")
  run(${wrong})
  string(REGEX MATCHALL "\n" lines "${err}")
  list(LENGTH lines n)
  string(FIND "${err}" "vantrel: " named)
  if(NOT rc EQUAL 2 OR NOT out STREQUAL "" OR NOT n EQUAL 1 OR NOT named EQUAL 0)
    fail("'${wrong}' was not refused with one line of the program's own (status 2)")
  endif()
endforeach()
