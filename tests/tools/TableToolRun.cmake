# Runs vantrel-table as a user would and checks what it prints and returns.
# -DTOOL=<path to vantrel-table> -DWORK=<scratch directory>

function(run)
  execute_process(COMMAND ${TOOL} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# expect(<message> <condition...>)
function(expect message)
  if(NOT (${ARGN}))
    message(FATAL_ERROR "${message}\nstdout:\n${out}\nstderr:\n${err}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# No data file: a warning on standard error, the table on standard output.
run(--start 2015-01-01 --end 2015-01-01 --interval 60 --lat -33.9 --lon 151.2)
expect("the Sydney day failed" rc EQUAL 0)
string(REGEX MATCHALL "\n" newlines "${out}")
list(LENGTH newlines lines)
expect("expected 2 header rows, 1 day row and 24 data rows, got ${lines} lines" lines EQUAL 27)
string(FIND "${out}" "Thursday 1/1/2015" day)
expect("no day row" NOT day EQUAL -1)
string(FIND "${out}" "\n2300," last)
expect("no 2300 row" NOT last EQUAL -1)
string(FIND "${err}" "File not found" warned)
expect("no warning for the missing data file" NOT warned EQUAL -1)
expect("the tool created a data file" NOT EXISTS ${WORK}/Vantrel.dat)

# Precise rows follow every data row.
run(--start 2015-01-01 --interval 720 --lat 52 --lon 0 --precise --format text)
string(REGEX MATCHALL "\n#" hashes "${out}")
list(LENGTH hashes precise)
expect("expected two precise lines, got ${precise}" precise EQUAL 2)

# Bad arguments: exit status 2, one line on standard error, nothing on standard output.
foreach(bad "--frobnicate" "--lat;north" "--interval;0" "--start;2015-02-30" "--pick;snr:99")
  run(${bad} --lat 1)
  expect("'${bad}' gave status ${rc}" rc EQUAL 2)
  string(LENGTH "${out}" printed)
  expect("'${bad}' printed a table" printed EQUAL 0)
  string(REGEX MATCHALL "\n" errlines "${err}")
  list(LENGTH errlines n)
  expect("'${bad}' gave ${n} lines on standard error" n EQUAL 1)
endforeach()
