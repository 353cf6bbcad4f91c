# 32-bit Windows (i686) with mingw-w64: the wheel's own target. Built and
# layout-checked here; this kernel runs no 32-bit programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TORVEX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Windows 98 runs on a 486 and Me on a Pentium; the compilers' default, the
# Pentium Pro, would put cmov and fcomi into the DLLs, and a Pentium MMX, K6-2
# or Cyrix machine would stop the game with an invalid-opcode fault. The
# Pentium is the floor: the driver's 64-bit atomics need its cmpxchg8b.
set(CMAKE_C_FLAGS_INIT "-march=pentium")
set(CMAKE_CXX_FLAGS_INIT "-march=pentium")
