# GoogleTest is built from Debian's sources for every target, so the Windows
# tests link a mingw build of it.
if(BRIMTRACE_TESTS)
  enable_testing()
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

# The test folders' headers ("tests/...") for every test and benchmark.
add_library(brimtrace_test_headers INTERFACE)
brimtrace_export_headers(brimtrace_test_headers INTERFACE tests tests)

# CTest counts a GoogleTest skip as a pass: each test's GoogleTest results go to
# gtest-xml/<test>.xml in the build tree, where tools/list-skips finds the skips. One file
# per CTest test, so an executable registered twice keeps both runs' results. Under Wine
# the path is a Windows one: the same file through drive Z:, Wine's view of /.
function(brimtrace_gtest_results test)
  set(file ${CMAKE_BINARY_DIR}/gtest-xml/${test}.xml)
  if(WIN32)
    set(file Z:${file})
  endif()
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT_MODIFICATION GTEST_OUTPUT=set:xml:${file})
endfunction()

# brimtrace_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One CTest test per executable: under Wine, per-case discovery would start Wine per case.
# LIBS names the layers the test reaches; a runtime test links the runtime alone.
function(brimtrace_add_test name)
  if(NOT BRIMTRACE_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} brimtrace_test_headers
                        GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  brimtrace_gtest_results(${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
