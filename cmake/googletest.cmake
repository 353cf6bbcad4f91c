# GoogleTest: the host builds use Debian's installed package; the Windows
# builds compile Debian's sources with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(gtest_source_dir /usr/src/googletest)
  if(NOT EXISTS ${gtest_source_dir}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${gtest_source_dir} (package googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(${gtest_source_dir} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest's own build names its targets GTest::gtest, GTest::gmock, ...
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# A Windows test program runs as one CTest test under Wine, since listing
# its cases would start Wine once more per build. In the emulated machine
# (the i686 programs, which this kernel cannot run) every program runs in one
# boot of the machine instead: see the end of tests/CMakeLists.txt.
function(torvex_add_windows_test name)
  if(TORVEX_EMULATED_MACHINE)
    set_property(GLOBAL APPEND PROPERTY torvex_emulated_programs ${name})
  else()
    add_test(NAME ${TORVEX_TEST_PREFIX}${name} COMMAND ${name})
  endif()
endfunction()

# Windows test programs that write the wheel's entries into the one Wine
# registry, or take the wheel's named lock, run one at a time. (In the
# emulated machine the programs run one after another anyway.)
function(torvex_windows_tests_share_registry)
  if(NOT TORVEX_EMULATED_MACHINE)
    list(TRANSFORM ARGN PREPEND ${TORVEX_TEST_PREFIX})
    set_tests_properties(${ARGN} PROPERTIES RESOURCE_LOCK wine_wheel_registry)
  endif()
endfunction()

# One GoogleTest program per subsystem. On the host CTest learns every test
# case by name.
function(torvex_add_test_program name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock torvex_testing)
  if(CMAKE_CROSSCOMPILING)
    torvex_add_windows_test(${name})
  else()
    gtest_discover_tests(${name} TEST_PREFIX ${TORVEX_TEST_PREFIX} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
