# Runs vantrel-table and vantrel-now as a user would and checks what they
# print and return.
# -DTOOL=<path to vantrel-table> -DNOW=<path to vantrel-now> -DWORK=<scratch directory>
# -DFINALS=<an IERS finals2000A excerpt of 2026-11-20..2026-12-21>

function(run)
  execute_process(COMMAND ${TOOL} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(run_now)
  execute_process(COMMAND ${NOW} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# expect_refused(<what>): status 2, nothing on standard output, one line on
# standard error.
macro(expect_refused what)
  expect("${what} gave status ${rc}" rc EQUAL 2)
  string(LENGTH "${out}" printed)
  expect("${what} printed on standard output" printed EQUAL 0)
  string(REGEX MATCHALL "\n" errlines "${err}")
  list(LENGTH errlines n)
  expect("${what} gave ${n} lines on standard error" n EQUAL 1)
endmacro()

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

# A line break or a terminal control in an argument is echoed escaped, on one line.
string(ASCII 27 escape)
run(--lat "4\n2${escape}[31m")
expect_refused("an argument with a line break")
string(FIND "${err}" [=['4\n2\x1b[31m']=] escaped)
expect("the argument was not echoed escaped" NOT escaped EQUAL -1)

# A damaged data file: latitude NaN and UTC offset 30 h, interval 60 minutes.
execute_process(COMMAND sh -c [=[
  { printf '\000\000\000\000\000\000\000\300\377\177'; head -c 20 /dev/zero
    printf '\000\000\000\000\000\000\000\360\003\100'; head -c 64 /dev/zero
    printf '\074\000\000\000'; head -c 12 /dev/zero; } > Vantrel.dat]=]
  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE made)
file(SIZE ${WORK}/Vantrel.dat size)
expect("could not make the damaged data file" made EQUAL 0 AND size EQUAL 120)
file(SHA256 ${WORK}/Vantrel.dat damaged)

run(--start 2015-01-01)
expect_refused("vantrel-table with a damaged station")
string(FIND "${err}" "latitude NaN is out of range (-90 to 90 degrees)" named)
expect("the latitude was not named" NOT named EQUAL -1)
string(FIND "${err}" "UTC offset 30 is out of range (-23.5 to 23.5 hours)" named)
expect("the UTC offset was not named" NOT named EQUAL -1)

# Overrides mend the damaged values.
run(--start 2015-01-01 --lat 52 --utc-offset 1)
expect("mended by overrides, status ${rc}" rc EQUAL 0)
string(REGEX MATCHALL "\n" newlines "${out}")
list(LENGTH newlines lines)
expect("mended by overrides: ${lines} lines" lines EQUAL 27)

run_now()
expect_refused("vantrel-now with a damaged station")
string(FIND "${err}" "vantrel-now: the station data is out of range: latitude NaN" named)
expect("vantrel-now did not name the latitude" NOT named EQUAL -1)

run_now("--lat\n52")
expect_refused("vantrel-now with an argument")
string(FIND "${err}" [=['--lat\n52']=] escaped)
expect("vantrel-now did not echo its argument escaped" NOT escaped EQUAL -1)

file(SHA256 ${WORK}/Vantrel.dat after)
expect("a tool changed the data file" damaged STREQUAL after)
file(REMOVE ${WORK}/Vantrel.dat)

# The observing options: the classic table unless asked; refraction needs a
# frequency; refused values give one line and nothing else.
set(day --start 2026-12-09 --interval 60 --lat 52.37 --lon 4.9 --no-dst)
run(${day})
set(classic "${out}")
run(${day} --apparent)
expect("--apparent failed" rc EQUAL 0)
expect("--apparent left the table as it was" NOT "${out}" STREQUAL "${classic}")
# Refraction needs no frequency (it does not depend on it), and a frequency
# changes nothing in it.
run(${day} --refraction 1013.25,10,50)
expect("refraction without a frequency gave ${rc}" rc EQUAL 0)
set(refracted "${out}")
run(${day} --refraction 1013.25,10,50 --frequency 144)
expect("the frequency changed the refracted table" "${out}" STREQUAL "${refracted}")
run(${day} --refraction 1300,10,50 --frequency 1420)
expect_refused("a pressure of 1300 hPa")
run(${day} --refraction 1013,10 --frequency 1420)
expect_refused("two numbers for three")
run(${day} --frequency 0.5)
expect_refused("a frequency of 0.5 MHz")
run(${day} --apparent --refraction=1013.25,10,50 --frequency=10368 --precise)
expect("apparent and refracted failed" rc EQUAL 0)
run_now(--apparent --refraction 1013.25,10,50 --frequency 10368)
expect("vantrel-now with the observing options gave ${rc}" rc EQUAL 0)
string(FIND "${out}" "Positions: apparent places of date, radio refraction" said)
expect("vantrel-now does not say what it computed" NOT said EQUAL -1)
run_now(--refraction 1013.25,10,50)
expect("vantrel-now refraction without a frequency gave ${rc}" rc EQUAL 0)

# UT1 from the IERS: --iers FILE, or the file found beside the station; only
# with --apparent; a file that gives nothing is said once and UT1 = UTC kept.
set(precise ${day} --apparent --precise --format csv)
run(${precise})
set(ut1utc "${out}")
run(${precise} --iers ${FINALS})
expect("--iers failed" rc EQUAL 0)
expect("--iers left the hour angles as they were" NOT "${out}" STREQUAL "${ut1utc}")
set(fromIers "${out}")
file(COPY_FILE ${FINALS} ${WORK}/finals2000A.daily)
run(${precise})
expect("the finals2000A.daily beside the station was not used" "${out}" STREQUAL "${fromIers}")
run(${day} --precise --format csv)
set(classicPrecise "${out}")
run(${day} --precise --format csv --refraction 1013.25,10,50 --frequency 1420)
expect("refraction alone failed" rc EQUAL 0)
file(WRITE ${WORK}/finals2000A.all "not a finals file\n")
run(${precise})
expect("a finals2000A.all without values stopped the tool" rc EQUAL 0)
expect("a finals2000A.all without values changed UT1 = UTC" "${out}" STREQUAL "${ut1utc}")
string(FIND "${err}" "finals2000A.all holds no UT1-UTC value (1 damaged line skipped). UT1 = UTC is used." said)
expect("the empty finals2000A.all was not said" NOT said EQUAL -1)
run(${day} --precise --format csv)
expect("with apparent places off a finals file changed the table" "${out}" STREQUAL "${classicPrecise}")
run(${precise} --iers ${WORK}/finals2000A.all)
expect_refused("--iers naming a file without values")
run(${precise} --iers ${WORK}/none.all)
expect_refused("--iers naming no file")
run(${day} --iers ${FINALS})
expect_refused("--iers without --apparent")
run(${day} --apparent --iers)
expect_refused("--iers without a file")
run_now(--apparent)
string(FIND "${out}" "Positions: apparent places of date, UT1 = UTC" said)
expect("vantrel-now does not say which UT1 it used" NOT said EQUAL -1)
file(REMOVE ${WORK}/finals2000A.all ${WORK}/finals2000A.daily)
