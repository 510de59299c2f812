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

# Tests run beside each other, and some check times of tens of milliseconds. A test that keeps
# a core busy for long and checks no time runs at the lowest priority, so it takes only what the
# timed ones leave.
set(TIROX_BACKGROUND nice -n 19)

# tirox_unit_test(name SOURCES ... [LIBS ...] [LABELS ...] [MANUAL] [BACKGROUND]): a GoogleTest
# program, built natively and for Windows. The native build registers it with CTest twice: as the
# native program and as the Windows program run under Wine. MANUAL leaves the registration to the
# caller (tests that need a network namespace or a display); BACKGROUND runs both at the lowest
# priority.
function(tirox_unit_test name)
  cmake_parse_arguments(T "MANUAL;BACKGROUND" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${TIROX_ROOT})
  tirox_warnings(${name})
  if(WIN32 OR T_MANUAL)
    return()
  endif()
  set(priority)
  set(background)
  if(T_BACKGROUND)
    set(priority ${TIROX_BACKGROUND})
    set(background BACKGROUND)
  endif()
  add_test(NAME ${name} COMMAND ${priority} $<TARGET_FILE:${name}>)
  tirox_wine_test(${name}.wine ${background}
    ${TIROX_ROOT}/tests/tools/run-wine-test.sh ${TIROX_WINE_DIR}/${name}.exe)
  set_tests_properties(${name}.wine PROPERTIES
    ENVIRONMENT "TIROX_WINEPREFIX=${TIROX_WINEPREFIX}"
    RESOURCE_LOCK wineprefix TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${name} ${name}.wine PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# tirox_wine_test(name [BACKGROUND] command...): a test that runs the Windows build of
# TIROX_WINE_DIR under Wine; skipped, not failed, on a machine that cannot run it. BACKGROUND
# runs it at the lowest priority.
function(tirox_wine_test name)
  set(command ${ARGN})
  set(priority)
  if(ARGV1 STREQUAL "BACKGROUND")
    list(POP_FRONT command)
    set(priority ${TIROX_BACKGROUND})
  endif()
  add_test(NAME ${name} COMMAND ${priority} ${TIROX_ROOT}/tests/tools/with-wine.sh ${TIROX_WINE_ARCH} ${command})
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
