# Warnings are errors for the project's own targets.
function(tirox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# tirox_library(name SOURCES ... [LIBS ...]): a static library of the project.
function(tirox_library name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${T_SOURCES})
  target_include_directories(${name} PUBLIC ${TIROX_ROOT})
  target_link_libraries(${name} PUBLIC ${T_LIBS})
  tirox_warnings(${name})
endfunction()

# tirox_unit_test(name SOURCES ... [LIBS ...] [LABELS ...] [MANUAL]): a GoogleTest program,
# built natively and for Windows. The native build registers it with CTest twice: as the native
# program and as the Windows program run under Wine. MANUAL leaves the registration to the caller
# (tests that need a network namespace or a display).
function(tirox_unit_test name)
  cmake_parse_arguments(T "MANUAL" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${TIROX_ROOT})
  tirox_warnings(${name})
  if(WIN32 OR T_MANUAL)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${name})
  tirox_wine_test(${name}.wine ${TIROX_ROOT}/tests/tools/run-wine-test.sh ${TIROX_WINE_DIR}/${name}.exe)
  set_tests_properties(${name}.wine PROPERTIES ENVIRONMENT "TIROX_WINEPREFIX=${TIROX_WINEPREFIX}")
  tirox_in_shared_prefix(${name}.wine)
  if(T_LABELS)
    set_tests_properties(${name} ${name}.wine PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# tirox_in_shared_prefix(test...): the tests that use the tests' one Wine prefix run one after
# another, some seven minutes in all on a loaded machine. They start before the others (COST), so
# that chain does not outlast the rest of the run.
function(tirox_in_shared_prefix)
  set_tests_properties(${ARGN} PROPERTIES RESOURCE_LOCK wineprefix TIMEOUT 600 COST 400)
endfunction()

# tirox_wine_test(name command...): a test that runs the Windows build of TIROX_WINE_DIR under
# Wine; skipped, not failed, on a machine that cannot run it.
function(tirox_wine_test name)
  add_test(NAME ${name} COMMAND ${TIROX_ROOT}/tests/tools/with-wine.sh ${TIROX_WINE_ARCH} ${ARGN})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()

# tirox_test_path(var path): path as a test program of this build opens it; Wine shows the Linux
# file system as drive Z:.
function(tirox_test_path var path)
  if(WIN32)
    set(${var} "Z:${path}" PARENT_SCOPE)
  else()
    set(${var} "${path}" PARENT_SCOPE)
  endif()
endfunction()
