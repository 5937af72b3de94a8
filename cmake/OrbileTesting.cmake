# Test helpers shared by every module.
#
# orbile_add_test(NAME SOURCES src... [LIBS lib...] [OWN_PREFIX] [RUN_SERIAL] [THREADED])
#   A GoogleTest executable. Natively each test case becomes its own CTest
#   entry; under Wine the whole executable is one entry (a Wine process start
#   costs about a second) and runs inside the shared Wine session fixture.
#   OWN_PREFIX runs it in a fresh copy of the session's prefix (tests that
#   register COM servers), so it runs beside the others; RUN_SERIAL alone
#   (what shares the display's pointer or focus).
#   THREADED marks tests whose threads meet: the tsan configuration runs
#   those (CTest label "threaded"). Every test sees the shared helpers of
#   tests/support.
#
# orbile_copy_runtime_files(TARGET [LOADS target...])
#   After each build of TARGET, copies beside it the DLLs it links and the
#   files of the targets it (or what it loads) loads at run time, so the
#   loader finds them first. The transform filter goes as orbile.ax, the
#   name the device library loads it by.
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
  set(ORBILE_WINE_OWN_PREFIX ${CMAKE_SOURCE_DIR}/tests/wine/own-prefix)
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
  cmake_parse_arguments(T "NO_MAIN;OWN_PREFIX;RUN_SERIAL;THREADED" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} orbile_test_support ${ORBILE_GTEST_LIBS})
  if(NOT T_NO_MAIN)
    target_link_libraries(${name} PRIVATE ${ORBILE_GTEST_MAIN})
  endif()
  if(ORBILE_WINDOWS AND T_OWN_PREFIX)
    orbile_add_wine_test(${name} COMMAND ${ORBILE_WINE_OWN_PREFIX} ${ORBILE_WINE_RUN}
      ${CMAKE_CURRENT_BINARY_DIR}/${name}.prefix $<TARGET_FILE:${name}>)
  elseif(ORBILE_WINDOWS)
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

function(orbile_copy_runtime_files target)
  cmake_parse_arguments(C "" "" "LOADS" ${ARGN})
  set(dir $<TARGET_FILE_DIR:${target}>)
  set(files $<TARGET_RUNTIME_DLLS:${target}>)
  set(commands)
  foreach(loaded IN LISTS C_LOADS)
    add_dependencies(${target} ${loaded})
    if(loaded STREQUAL "Orbile")
      list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Orbile> ${dir}/orbile.ax)
    else()
      list(APPEND files $<TARGET_FILE:${loaded}>)
    endif()
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${files} ${dir}
    ${commands}
    COMMAND_EXPAND_LISTS)
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
