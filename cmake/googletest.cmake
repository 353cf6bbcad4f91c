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

# One GoogleTest program per subsystem. On the host CTest learns every test
# case by name; a Windows program runs as one CTest test under Wine, since
# listing its cases would start Wine once more per build.
function(torvex_add_test_program name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock torvex_testing)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${TORVEX_TEST_PREFIX}${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} TEST_PREFIX ${TORVEX_TEST_PREFIX} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
