# Shared helpers for the project's targets.

# GoogleTest: Debian's package on the host; on Windows builds, the same sources
# from /usr/src/googletest compiled with the cross compiler.
macro(pelmora_setup_gtest)
  if(WIN32)
    if(NOT TARGET gtest)
      set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
      add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
      foreach(t gtest gtest_main gmock gmock_main)
        if(TARGET ${t})
          target_compile_options(${t} PRIVATE -w)
        endif()
      endforeach()
    endif()
    set(PELMORA_GTEST_LIBS gtest gmock gtest_main)
  else()
    find_package(GTest REQUIRED)
    set(PELMORA_GTEST_LIBS GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  # The test programs' sources are most of a build's compile time, and they
  # need no optimisation beyond -O1 (the Release and RelWithDebInfo builds
  # would give them -O3 or -O2).
  set(PELMORA_TEST_COMPILE_OPTIONS $<$<NOT:$<CONFIG:Debug>>:-O1>)
  # One precompiled header for every test program of the tree: GoogleTest and
  # the standard headers the tests include most, compiled once and reused.
  if(NOT TARGET pelmora_test_pch)
    add_library(pelmora_test_pch OBJECT ${PROJECT_SOURCE_DIR}/tests/support/test_pch.cpp)
    target_link_libraries(pelmora_test_pch PRIVATE ${PELMORA_GTEST_LIBS})
    target_compile_options(pelmora_test_pch PRIVATE ${PELMORA_TEST_COMPILE_OPTIONS})
    target_precompile_headers(pelmora_test_pch PRIVATE
      <gtest/gtest.h> <algorithm> <cstdint> <cstring> <functional> <map> <memory> <set> <string>
      <string_view> <vector>)
  endif()
endmacro()

# One test executable is one CTest test: under Wine each start of a program
# costs time, so the cases are not registered one by one.
# pelmora_add_test(NAME name SOURCES ... LIBS ... [LABELS ...])
function(pelmora_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${PELMORA_GTEST_LIBS})
  target_compile_options(${T_NAME} PRIVATE ${PELMORA_TEST_COMPILE_OPTIONS})
  target_precompile_headers(${T_NAME} REUSE_FROM pelmora_test_pch)
  # A test program's sources are compiled a few at a time as one unit: most
  # of their compile time goes to the code the shared headers instantiate,
  # which a unit then emits once.
  set_target_properties(${T_NAME} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 5)
  # The helpers the tests share, as "support/...".
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600)
endfunction()
