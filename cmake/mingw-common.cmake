# Shared by both mingw-w64 toolchains.
#
# The thread model of the compilers' C++ runtime is chosen per build:
# - "win32" for the deliverables: its runtime calls only functions that
#   Windows 98, Me, 2000 and XP have. It has no std::thread or std::mutex,
#   so the DLLs' code takes its locks and threads from the platform ports.
# - "posix" for the test programs: GoogleTest and the tests' own threads
#   need std::thread and std::mutex. Its runtime (winpthreads) imports
#   GetTickCount64, AddVectoredExceptionHandler and TryEnterCriticalSection,
#   which those systems lack, so nothing that is shipped is built with it.
set(TORVEX_MINGW_THREADS "posix" CACHE STRING "Thread model of the mingw-w64 compilers: win32 or posix")
set_property(CACHE TORVEX_MINGW_THREADS PROPERTY STRINGS win32 posix)
find_program(CMAKE_C_COMPILER NAMES ${TORVEX_MINGW_TRIPLE}-gcc-${TORVEX_MINGW_THREADS} REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TORVEX_MINGW_TRIPLE}-g++-${TORVEX_MINGW_THREADS} REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TORVEX_MINGW_TRIPLE}-windres REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${TORVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
