# Both 32-bit DLLs run on a Pentium: none of their instructions is one that
# only later processors have. Windows 98 runs on a 486DX and Me on a
# Pentium; a Pentium MMX, K6-2 or Cyrix 6x86 stops at the first such
# instruction with an invalid-opcode fault. The lists follow the processor
# manuals' "new with" sections:
#   Pentium Pro: cmovcc, fcmovcc, fcomi(p), fucomi(p), rdpmc (ud2 is left
#                out: a deliberate invalid-opcode fault, 0F 0B faults on a
#                Pentium just the same);
#   Pentium II:  sysenter, sysexit, fxsave, fxrstor;
#   later:       MMX and SSE (any mm or xmm register, emms, the fences,
#                prefetches and non-temporal stores, mxcsr), 3DNow! femms,
#                popcnt, lzcnt, tzcnt.
# cpuid, rdtsc and cmpxchg8b are the Pentium's own.
#
# cmake -DOBJDUMP=<i686 objdump> -DDLL_DIR=<win32 build> -P pentium_test.cmake

set(later_mnemonics
    "cmov[a-z]+|fcmov[a-z]+|fcomip?|fucomip?|rdpmc|sysenter|sysexit|fxsave|fxrstor|emms|femms"
    "|[lsm]fence|prefetch[a-z0-9]*|movnt[a-z]*|maskmov[a-z]*|clflush|[ls]dmxcsr|popcnt|lzcnt|tzcnt")
string(JOIN "" later_mnemonics ${later_mnemonics})
set(line_start "\n *[0-9a-f]+:\t")

set(checked 0)
foreach(dll "${DLL_DIR}/driver/TorvexFF.dll" "${DLL_DIR}/sheet/TorvexPS.dll")
  if(NOT EXISTS "${dll}")
    if(NOT "$ENV{TORVEX_REQUIRE_WINDOWS_BUILDS}" STREQUAL "")
      message(FATAL_ERROR "${dll} is missing: the win32 preset was not built")
    endif()
    message("${dll} is not built: build the win32 preset first (scripts/build.sh win32)")
    continue()
  endif()
  execute_process(COMMAND "${OBJDUMP}" -d --no-show-raw-insn "${dll}" OUTPUT_VARIABLE code RESULT_VARIABLE failed)
  # A disassembler that read nothing would find nothing wrong.
  string(REGEX MATCHALL "${line_start}ret" returns "${code}")
  list(LENGTH returns return_count)
  if(failed OR return_count LESS 50)
    message(FATAL_ERROR "${OBJDUMP} could not disassemble ${dll}")
  endif()
  string(REGEX MATCHALL "${line_start}(${later_mnemonics})[ \n][^\n]*" by_name "${code}")
  string(REGEX MATCHALL "${line_start}[^\n]*%x?mm[0-9][^\n]*" by_register "${code}")
  set(found ${by_name} ${by_register})
  list(LENGTH found count)
  if(count GREATER 0)
    list(SUBLIST found 0 20 first)
    string(JOIN "" first ${first})
    string(REPLACE "\t" " " first "${first}")
    message(SEND_ERROR "${dll} holds ${count} instructions a Pentium does not have; the first:${first}")
  endif()
  math(EXPR checked "${checked} + 1")
endforeach()
if(checked EQUAL 0)
  message("no 32-bit DLL is built")
endif()
