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
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
