# cmake -DLIBRARY=<path> -P CheckExports.cmake
# Fails unless the library's defined dynamic symbols are exactly the six
# entry points of Orbex_sunmoon.h.
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only --format=just-symbols ${LIBRARY}
    OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX REPLACE "\n$" "" symbols "${symbols}")
string(REPLACE "\n" ";" symbols "${symbols}")
list(SORT symbols)
set(expected DataToDLL GetAzimuth GetDecTopo GetDistance GetElevation GetGHA)
if(NOT symbols STREQUAL expected)
    message(FATAL_ERROR "exported: ${symbols}; expected: ${expected}")
endif()
message(STATUS "exported: ${symbols}")
