# Test helpers shared by every module.
#
# orbile_add_test(NAME SOURCES src... [LIBS lib...] [RUN_SERIAL] [THREADED])
#   A GoogleTest executable. Natively each test case becomes its own CTest
#   entry; under Wine the whole executable is one entry (a Wine process start
#   costs about a second) and runs inside the shared Wine session fixture.
#   THREADED marks tests whose threads meet: the tsan configuration runs
#   those (CTest label "threaded").
#
# orbile_add_fuzzer(NAME SOURCES src... [LIBS lib...] [CORPUS dir])
#   A libFuzzer target (native configuration only); the test run replays its
#   committed corpus (default: NAME.corpus beside the CMakeLists) and fuzzes
#   briefly. scripts/fuzz NAME SECONDS fuzzes longer and grows the corpus.

include(CTest)
enable_testing()

if(ORBILE_WINDOWS)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(ORBILE_GTEST_LIBS GTest::gtest GTest::gmock)
  set(ORBILE_GTEST_MAIN GTest::gtest_main)

  # 32-bit programs need a 32-bit user mode; some hypervisors have none, and
  # there the windows64 configuration runs the same tests as 64-bit programs.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    execute_process(COMMAND /usr/lib/wine/wine --version RESULT_VARIABLE wine32_result
                    OUTPUT_QUIET ERROR_QUIET)
    if(NOT wine32_result EQUAL 0)
      set(ORBILE_WINE_TESTS OFF)
      message(STATUS "This machine cannot run 32-bit Wine: Windows tests are built here and run in the windows64 configuration")
    endif()
  endif()
  if(NOT DEFINED ORBILE_WINE_TESTS)
    set(ORBILE_WINE_TESTS ON)
  endif()

  set(ORBILE_WINE_RUN ${CMAKE_SOURCE_DIR}/tests/wine/run)
  set(ORBILE_WINE_SESSION ${CMAKE_SOURCE_DIR}/tests/wine/session)
  set(ORBILE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(ORBILE_WINE_TESTS)
    add_test(NAME wine_session_start COMMAND ${ORBILE_WINE_SESSION} start)
    add_test(NAME wine_session_stop COMMAND ${ORBILE_WINE_SESSION} stop)
    set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine
      ENVIRONMENT "WINEPREFIX=${ORBILE_WINE_PREFIX}")
    set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine
      ENVIRONMENT "WINEPREFIX=${ORBILE_WINE_PREFIX}")
  endif()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  set(ORBILE_GTEST_LIBS GTest::gtest GTest::gmock)
  set(ORBILE_GTEST_MAIN GTest::gtest_main)
endif()

# Registers a test that runs under Wine, in the shared session; where Wine
# cannot run this configuration's programs the test is left out.
function(orbile_add_wine_test name)
  if(ORBILE_WINE_TESTS)
    add_test(NAME ${name} ${ARGN})
    orbile_wine_test_properties(${name})
  endif()
endfunction()

# Marks a test (of any kind) as running under Wine in the shared session.
function(orbile_wine_test_properties test)
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine
    ENVIRONMENT "WINEPREFIX=${ORBILE_WINE_PREFIX}")
endfunction()

function(orbile_add_test name)
  cmake_parse_arguments(T "NO_MAIN;RUN_SERIAL;THREADED" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${ORBILE_GTEST_LIBS})
  if(NOT T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${ORBILE_GTEST_MAIN})
  endif()
  if(ORBILE_WINDOWS)
    orbile_add_wine_test(${name} COMMAND ${name})
    if(T_RUN_SERIAL AND TEST ${name})
      set_tests_properties(${name} PROPERTIES RUN_SERIAL ON)
    endif()
  elseif(T_THREADED)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS threaded)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

function(orbile_add_fuzzer name)
  if(NOT ORBILE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(NOT F_CORPUS)
    set(F_CORPUS ${name}.corpus)
  endif()
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/${F_CORPUS})
  # Smoke: replay the committed corpus, then fuzz briefly on a scratch copy.
  add_test(NAME ${name}_smoke
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/fuzz-smoke $<TARGET_FILE:${name}> ${corpus})
endfunction()
