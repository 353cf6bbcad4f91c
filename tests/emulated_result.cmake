# One Windows test program's run in the emulated machine, as a CTest test:
# shows what the program printed and fails when it exited with another code
# than 0 or left no result. RESULT is the result's path without .rc / .out.
if(NOT EXISTS "${RESULT}.rc")
  message(FATAL_ERROR "No result at ${RESULT}.rc: the program did not run to its end in the emulated machine "
                      "(see console.log and the emulated_machine test's output)")
endif()
if(EXISTS "${RESULT}.out")
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat "${RESULT}.out")
endif()
file(STRINGS "${RESULT}.rc" code LIMIT_COUNT 1)
if(code STREQUAL "124")
  message(FATAL_ERROR "The program did not end within 5 minutes in the emulated machine and was stopped")
elseif(NOT code STREQUAL "0")
  message(FATAL_ERROR "The program exited with code '${code}' in the emulated machine")
endif()
