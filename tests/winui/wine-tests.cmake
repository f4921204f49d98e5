# Cross-builds the Win32 face's tests with mingw-w64 and runs them under wine
# with the null display driver, in a prefix inside the build tree. Run by CTest:
#   cmake -DSOURCE_DIR=<repository> -DBINARY_DIR=<cross build dir>
#         -DDESIGN_TABLE_DIR=<the host build's design table folder>
#         -DDOCTEST_INCLUDE_DIR=<the folder holding doctest/doctest.h> -P wine-tests.cmake
function(fail why)
  message(FATAL_ERROR "winui: ${why}")
endfunction()

find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINE64 wine64)
find_program(WINESERVER wineserver PATHS /usr/lib/wine)
find_program(CCACHE ccache)
if(NOT EXISTS ${DESIGN_TABLE_DIR}/design/windows.h)
  fail("the window designs' table is not written yet: build the host project first")
endif()
if(NOT WINE64 OR NOT WINESERVER)
  fail("wine64 not found; scripts/setup.sh installs wine")
endif()
set(launcher)
if(CCACHE)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${CCACHE})
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/winui -B ${BINARY_DIR} -G Ninja -DCMAKE_BUILD_TYPE=Release
          -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake ${launcher}
          -DDESIGN_TABLE_DIR=${DESIGN_TABLE_DIR} -DDOCTEST_INCLUDE_DIR=${DOCTEST_INCLUDE_DIR}
  OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE failed)
if(failed)
  message("${out}")
  fail("configuring the cross build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --target winui_tests OUTPUT_VARIABLE out
                ERROR_VARIABLE out RESULT_VARIABLE failed)
if(failed)
  message("${out}")
  fail("the cross build failed")
endif()

set(prefix ${BINARY_DIR}/prefix)
set(wine ${CMAKE_COMMAND} -E env WINEPREFIX=${prefix} WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
         --unset=DISPLAY --unset=WAYLAND_DISPLAY)
if(NOT EXISTS ${prefix}/system.reg)
  file(REMOVE_RECURSE ${prefix})
  execute_process(COMMAND ${wine} ${WINE64} wineboot -i OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND ${wine} ${WINE64} reg add "HKCU\\Software\\Wine\\Drivers" /v Graphics /d null /f
                    OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE failed)
  endif()
  if(failed OR NOT EXISTS ${prefix}/system.reg)
    file(REMOVE_RECURSE ${prefix})
    fail("wine cannot start (wineboot exited with ${failed})")
  endif()
endif()
execute_process(COMMAND ${wine} ${WINE64} ${BINARY_DIR}/winui_tests.exe WORKING_DIRECTORY ${BINARY_DIR}
                RESULT_VARIABLE failed)
execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${prefix} ${WINESERVER} -k)
if(failed)
  fail("the Win32 face's tests failed")
endif()
