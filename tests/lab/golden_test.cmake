# Runs torvex-lab on one scenario and compares what it prints with the
# expected timeline, line by line.
#
#   -DLAB=<torvex-lab> -DSCENARIO=<file> -DEXPECTED=<timeline file> -DACTUAL=<where to keep the output>
#   optional: -DSTDIN=1 (the scenario arrives on standard input),
#             -DLAB_ARGS=<options before the scenario>,
#             -DEXPECTED_CODE=<exit code> -DEXPECTED_ERROR=<regex the commentary must match>
cmake_policy(SET CMP0007 NEW)
if(STDIN)
  execute_process(COMMAND ${LAB} ${LAB_ARGS} - INPUT_FILE ${SCENARIO}
                  OUTPUT_VARIABLE actual ERROR_VARIABLE commentary RESULT_VARIABLE code)
else()
  execute_process(COMMAND ${LAB} ${LAB_ARGS} ${SCENARIO}
                  OUTPUT_VARIABLE actual ERROR_VARIABLE commentary RESULT_VARIABLE code)
endif()

if(NOT DEFINED EXPECTED_CODE)
  set(EXPECTED_CODE 0)
endif()
if(NOT code STREQUAL EXPECTED_CODE)
  message(FATAL_ERROR "torvex-lab exited with ${code}, not ${EXPECTED_CODE}:\n${commentary}")
endif()
if(DEFINED EXPECTED_ERROR AND NOT commentary MATCHES "${EXPECTED_ERROR}")
  message(FATAL_ERROR "the commentary does not say '${EXPECTED_ERROR}':\n${commentary}")
endif()
if(NOT DEFINED EXPECTED)
  return()
endif()

if(ACTUAL)
  file(WRITE ${ACTUAL} "${actual}")
endif()
file(READ ${EXPECTED} expected)
if(actual STREQUAL expected)
  return()
endif()

# Name the first line that differs.
string(REPLACE "\n" ";" expected_lines "${expected}")
string(REPLACE "\n" ";" actual_lines "${actual}")
list(LENGTH expected_lines expected_count)
list(LENGTH actual_lines actual_count)
set(line 0)
while(line LESS expected_count AND line LESS actual_count)
  list(GET expected_lines ${line} want)
  list(GET actual_lines ${line} got)
  if(NOT want STREQUAL got)
    break()
  endif()
  math(EXPR line "${line} + 1")
endwhile()
set(want "(end of timeline)")
set(got "(end of timeline)")
if(line LESS expected_count)
  list(GET expected_lines ${line} want)
endif()
if(line LESS actual_count)
  list(GET actual_lines ${line} got)
endif()
math(EXPR shown "${line} + 1")
message(FATAL_ERROR "timeline line ${shown} differs from ${EXPECTED}\n"
                    "  expected: ${want}\n  actual:   ${got}\n"
                    "whole output in ${ACTUAL}\n${commentary}")
