# Cross-builds the Windows layer's tests with mingw-w64 and runs them under
# wine, in a prefix inside the build tree, once with the default code page
# and once with the Japanese one (932). Run by CTest:
#   cmake -DSOURCE_DIR=<repository> -DBINARY_DIR=<cross build dir>
#         -DDESIGN_TABLE_DIR=<the host build's design table folder>
#         -DDOCTEST_INCLUDE_DIR=<the folder holding doctest/doctest.h> -P wine-tests.cmake
# Every way of not running the tests is a failure with one line saying why.

function(fail why)
  message(FATAL_ERROR "win32: ${why}")
endfunction()

find_program(CROSS_CXX x86_64-w64-mingw32-g++)
find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINE64 wine64)
find_program(WINESERVER wineserver)
find_program(CCACHE ccache)
if(NOT EXISTS ${DESIGN_TABLE_DIR}/design/windows.h)
  fail("the window designs' table is not written yet: build the host project first")
endif()
if(NOT CROSS_CXX)
  fail("x86_64-w64-mingw32-g++ not found; scripts/setup.sh installs mingw-w64")
endif()
if(NOT WINE64 OR NOT WINESERVER)
  fail("wine64 not found; scripts/setup.sh installs wine")
endif()

set(launcher)
if(CCACHE)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${CCACHE})
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/platform/win32 -B ${BINARY_DIR} -G Ninja
          -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake ${launcher}
          -DDESIGN_TABLE_DIR=${DESIGN_TABLE_DIR} -DDOCTEST_INCLUDE_DIR=${DOCTEST_INCLUDE_DIR}
  OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE failed)
if(failed)
  message("${out}")
  fail("configuring the cross build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} OUTPUT_VARIABLE out ERROR_VARIABLE out
                RESULT_VARIABLE failed)
if(failed)
  message("${out}")
  fail("the cross build failed")
endif()

# No display: wine's null driver gives windows, focus and all, without one.
set(prefix ${BINARY_DIR}/prefix)
set(wine ${CMAKE_COMMAND} -E env WINEPREFIX=${prefix} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
         --unset=DISPLAY --unset=WAYLAND_DISPLAY)
if(NOT EXISTS ${prefix}/system.reg)
  file(REMOVE_RECURSE ${prefix})
  execute_process(COMMAND ${wine} ${WINE64} wineboot -i OUTPUT_VARIABLE out ERROR_VARIABLE out
                  RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND ${wine} ${WINE64} reg add "HKCU\\Software\\Wine\\Drivers" /v Graphics /d null /f
                    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE failed)
  endif()
  if(failed OR NOT EXISTS ${prefix}/system.reg)
    string(REGEX REPLACE "\n+$" "" out "${out}")
    string(REGEX REPLACE ".*\n" "" out "${out}")
    file(REMOVE_RECURSE ${prefix})
    fail("wine cannot start (wineboot exited with ${failed}): ${out}")
  endif()
endif()

execute_process(COMMAND locale -a OUTPUT_VARIABLE locales)
if(NOT locales MATCHES "ja_JP\\.utf8")
  fail("the ja_JP.UTF-8 locale is missing; scripts/setup.sh makes it")
endif()

set(errors 0)
set(shared_errors 0)
foreach(run "C.UTF-8;1252" "ja_JP.UTF-8;932")
  list(GET run 0 locale)
  list(GET run 1 codepage)
  execute_process(COMMAND ${wine} LANG=${locale} LC_ALL=${locale} ${WINE64} ${BINARY_DIR}/win32_tests.exe ${codepage}
                  WORKING_DIRECTORY ${BINARY_DIR} RESULT_VARIABLE failed)
  if(failed)
    math(EXPR errors "${errors} + 1")
  endif()
  execute_process(COMMAND ${wine} LANG=${locale} LC_ALL=${locale} ${WINE64} ${BINARY_DIR}/shared_tests.exe
                  WORKING_DIRECTORY ${BINARY_DIR} RESULT_VARIABLE failed)
  if(failed)
    math(EXPR shared_errors "${shared_errors} + 1")
  endif()
endforeach()
execute_process(COMMAND ${wine} ${WINE64} ${BINARY_DIR}/design_checks.exe WORKING_DIRECTORY ${BINARY_DIR}
                RESULT_VARIABLE design_failed)
execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${prefix} ${WINESERVER} -k)
if(errors)
  fail("${errors} of 2 code pages had failures")
endif()
if(shared_errors)
  fail("the shared code's tests failed in ${shared_errors} of 2 code pages")
endif()
if(design_failed)
  fail("the window designs' checks failed")
endif()
