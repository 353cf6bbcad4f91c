# Shared by both mingw-w64 toolchains.
#
# The thread model of the compilers' C++ runtime is chosen per build, with
# TORVEX_MINGW_THREADS (the presets set it):
# - "win32" for the deliverables: its runtime calls only functions that
#   Windows 98, Me, 2000 and XP have. It has no std::thread or std::mutex,
#   so the DLLs' code takes its locks and threads from the platform ports.
# - "posix" for the test programs: GoogleTest and the tests' own threads
#   need std::thread and std::mutex. Its runtime (winpthreads) imports
#   GetTickCount64, AddVectoredExceptionHandler and TryEnterCriticalSection,
#   which those systems lack, so nothing that is shipped is built with it.
#
# CMake reads this file again in every compiler check it makes (try_compile)
# without the build's cache: the thread model is handed on to those checks,
# and there is no default, so a check can never pick the other model's
# compilers (or fail for lack of them) behind the build's back.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TORVEX_MINGW_THREADS)
if(NOT TORVEX_MINGW_THREADS MATCHES "^(win32|posix)$")
  message(FATAL_ERROR "TORVEX_MINGW_THREADS is '${TORVEX_MINGW_THREADS}': set it to win32 (the shipped DLLs) "
                      "or posix (the Windows test programs), as the presets in CMakePresets.json do")
endif()
set(TORVEX_MINGW_THREADS "${TORVEX_MINGW_THREADS}" CACHE STRING "Thread model of the mingw-w64 compilers: win32 or posix")
set_property(CACHE TORVEX_MINGW_THREADS PROPERTY STRINGS win32 posix)
find_program(CMAKE_C_COMPILER NAMES ${TORVEX_MINGW_TRIPLE}-gcc-${TORVEX_MINGW_THREADS} REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TORVEX_MINGW_TRIPLE}-g++-${TORVEX_MINGW_THREADS} REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TORVEX_MINGW_TRIPLE}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${TORVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
