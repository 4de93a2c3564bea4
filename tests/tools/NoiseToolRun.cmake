# Runs vantrel-noise as a user would and checks what it prints and returns.
# -DTOOL=<path to vantrel-noise> -DWORK=<scratch directory>

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

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

set(dish --frequency 10368 --time 2026-12-09T19:30 --dish 3 --efficiency 0.55 --tsys 60
         --lat 52 --lon 0)

# The expected Y-factors: the header, and one row per modelled source, the
# Sun only with a solar flux.
run(${dish})
expect("the table failed" rc EQUAL 0)
string(FIND "${out}" "source,flux_jy,size_deg,beam_correction,delta_t_k,y_db," header)
expect("the table does not start with its header" header EQUAL 0)
string(REGEX MATCHALL "\n" newlines "${out}")
list(LENGTH newlines lines)
expect("expected a header and 5 rows without the Sun, got ${lines} lines" lines EQUAL 6)
foreach(name Moon Cassiopeia-A Cygnus-A Taurus-A Virgo-A)
  string(FIND "${out}" "\n${name}," row)
  expect("no row for ${name}" NOT row EQUAL -1)
endforeach()
string(FIND "${out}" "\nSun," sun)
expect("a Sun row without a solar flux" sun EQUAL -1)
# The 3 m dish on Cas A at 10 GHz at the end of 2026: ΔT 0.4172 K, 0.030 dB
# (worked values of tests/measure), through the clear air's 0.0525 dB at
# its 76.7° (1013.25 hPa, 10 °C, 50 %): 0.4172 · 10^(−0.00525) = 0.4122 K,
# Y 0.0297 dB; the air's columns at the end, above 1 GHz only.
string(FIND "${out}" "\nCassiopeia-A,297.4,0.0667,1.0037,0.4122,0.0297,76.74," casa)
expect("Cas A's row is not the worked one" NOT casa EQUAL -1)
string(FIND "${out}" ",reference_tsky_k,atm_db,tatm_k,reference_tatm_k\n" air)
expect("no air's columns at the end above 1 GHz" NOT air EQUAL -1)
string(FIND "${out}" ",0.0525,3.21,\n" casair)
expect("Cas A's air is not 0.0525 dB and 3.21 K" NOT casair EQUAL -1)

run(${dish} --solar-flux-table 245:18,410:35,610:52,1415:70,2695:98,4995:140,8800:230,15400:520)
string(FIND "${out}" "\nSun,2921014.5," sun)
expect("the Sun's row is not interpolated from the table" NOT sun EQUAL -1)
run(${dish} --solar-flux 80 --frequency 144)
string(FIND "${out}" "atm_db" air)
expect("the air's columns at 144 MHz" air EQUAL -1)
string(FIND "${out}" "\nCassiopeia-A," casa)
string(FIND "${out}" "extrapolated" marked)
expect("Cas A at 144 MHz is not marked extrapolated" NOT marked EQUAL -1)

# G/T from a measured Y.
run(${dish} --measured-y 0.03 --source Cassiopeia-A)
expect("the G/T failed" rc EQUAL 0)
string(FIND "${out}" "source,measured_y_db,flux_jy,beam_correction,g_over_t_db_per_k" header)
expect("the G/T does not start with its header" header EQUAL 0)
string(REGEX MATCHALL "\n" newlines "${out}")
list(LENGTH newlines lines)
expect("expected a header and one row, got ${lines} lines" lines EQUAL 2)

run(${dish} --format text)
expect("the text table failed" rc EQUAL 0)
string(FIND "${out}" "source " header)
expect("the text table has no header" header EQUAL 0)

run(--help)
expect("--help failed" rc EQUAL 0)

# Refusals: one line, status 2, quoted text escaped.
set(gain --frequency 1296 --gain 20 --tsys 80)
foreach(bad
    "--gain;20;--tsys;80"
    "--frequency;0;--gain;20;--tsys;80"
    "--frequency;nan;--gain;20;--tsys;80"
    "--frequency;1296;--tsys;80"
    "--frequency;1296;--gain;20"
    "${gain};--dish;3;--efficiency;0.5"
    "--frequency;1296;--dish;3;--tsys;80"
    "--frequency;1296;--dish;3;--efficiency;1.5;--tsys;80"
    "--frequency;1296;--dish;3;--efficiency;0;--tsys;80"
    "--frequency;1296;--dish;-3;--efficiency;0.5;--tsys;80"
    "--frequency;1296;--gain;20;--tsys;0"
    "--frequency;1296;--gain;20;--tsys;inf"
    "${gain};--solar-flux;-1"
    "${gain};--solar-flux-table;245:18,245:19"
    "${gain};--solar-flux-table;245"
    "${gain};--solar-flux;80;--solar-flux-table;245:18"
    "${gain};--moon-temperature;0"
    "${gain};--measured-y;0;--source;Cassiopeia-A"
    "${gain};--measured-y;-1;--source;Cassiopeia-A"
    "${gain};--measured-y;1"
    "${gain};--source;Cassiopeia-A"
    "${gain};--measured-y;1;--source;Centaurus-A"
    "${gain};--measured-y;1;--source;Sun"
    "${gain};--time;2026-02-30T10:00"
    "${gain};--time;2026-02-10T24:00"
    "${gain};--lat;91"
    "${gain};--format;xml"
    "${gain};--bogus"
    "${gain};--source;a\nb;--measured-y;1")
  run(${bad})
  expect_refused("'${bad}'")
endforeach()
string(FIND "${err}" "a\\nb" escaped)
expect("the source name was not escaped" NOT escaped EQUAL -1)
