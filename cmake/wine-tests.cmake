# Builds the Windows programs and their tests (preset windows, mingw-w64)
# and runs the tests under wine, in a prefix of the host build's, once with
# the default code page and once with the Japanese one (932); the Win32
# face's tests once at 96 dpi and once at 144 in a copy of the prefix; then installs
# the installer silently into a copy of that prefix, checks what it put
# where, uninstalls it and checks what stays. Run by CTest:
#   cmake -DSOURCE_DIR=<repository> -DPREFIX=<wine prefix folder>
#         -DDESIGN_TABLE_DIR=<the host build's design table folder> -P wine-tests.cmake
# Every way of not running the tests is a failure with one line saying why.

function(fail why)
  message(FATAL_ERROR "win32: ${why}")
endfunction()

find_program(CROSS_CXX x86_64-w64-mingw32-g++)
find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(WINE64 wine64)
find_program(WINESERVER wineserver)
find_program(MAKENSIS makensis)
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
if(NOT MAKENSIS)
  fail("makensis not found; scripts/setup.sh installs nsis")
endif()
execute_process(COMMAND fc-list IPAPGothic OUTPUT_VARIABLE ipa_font)
if(NOT ipa_font)
  fail("the IPAPGothic font is missing; scripts/setup.sh installs fonts-ipafont-gothic")
endif()
execute_process(COMMAND locale -a OUTPUT_VARIABLE locales)
if(NOT locales MATCHES "ja_JP\\.utf8")
  fail("the ja_JP.UTF-8 locale is missing; scripts/setup.sh makes it")
endif()

# The one Windows build: programs, tests and packages.
set(BINARY_DIR ${SOURCE_DIR}/build-windows)
set(launcher)
if(CCACHE)
  set(launcher -DCMAKE_CXX_COMPILER_LAUNCHER=${CCACHE})
endif()
foreach(step "configuring;${CMAKE_COMMAND};--preset;windows;-DKICKLIST_DESIGN_TABLE_DIR=${DESIGN_TABLE_DIR};${launcher}"
             "building;${CMAKE_COMMAND};--build;--preset;windows"
             "packaging;${CMAKE_COMMAND};--build;--preset;windows;--target;package")
  list(POP_FRONT step what)
  execute_process(COMMAND ${step} WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE out ERROR_VARIABLE out
                  RESULT_VARIABLE failed)
  if(failed)
    message("${out}")
    fail("${what} the Windows build (preset windows) failed")
  endif()
endforeach()

# No display: wine's null driver gives windows, focus and all, without one.
# No menu entries on the host for the shortcuts the installer makes.
set(prefix ${PREFIX})
set(wine_env WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=" --unset=DISPLAY
             --unset=WAYLAND_DISPLAY)
set(wine ${CMAKE_COMMAND} -E env WINEPREFIX=${prefix} ${wine_env})
if(NOT EXISTS ${prefix}/system.reg)
  file(REMOVE_RECURSE ${prefix})
  execute_process(COMMAND ${wine} ${WINE64} wineboot -i OUTPUT_VARIABLE out ERROR_VARIABLE out
                  RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND ${wine} ${WINE64} reg add "HKCU\\Software\\Wine\\Drivers" /v Graphics /d null /f
                    OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE failed)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${prefix} ${WINESERVER} -w)
  if(failed OR NOT EXISTS ${prefix}/system.reg)
    string(REGEX REPLACE "\n+$" "" out "${out}")
    string(REGEX REPLACE ".*\n" "" out "${out}")
    file(REMOVE_RECURSE ${prefix})
    fail("wine cannot start (wineboot exited with ${failed}): ${out}")
  endif()
endif()

# The windows' texts are Japanese: the faces they ask for are drawn in IPA
# P Gothic, made to MS P Gothic's measures, whatever the locale.
set(design_faces "Tahoma" "MS UI Gothic" "ＭＳ Ｐゴシック")
function(replace_design_faces wine_command face)
  foreach(replaced IN LISTS design_faces)
    execute_process(COMMAND ${wine_command} LANG=C.UTF-8 LC_ALL=C.UTF-8 ${WINE64} reg add
                            "HKCU\\Software\\Wine\\Fonts\\Replacements" /v ${replaced} /d ${face} /f
                    OUTPUT_QUIET ERROR_QUIET)
  endforeach()
endfunction()
replace_design_faces("${wine}" IPAPGothic)

set(tests ${BINARY_DIR}/tests)
set(errors 0)
set(shared_errors 0)
foreach(run "C.UTF-8;1252" "ja_JP.UTF-8;932")
  list(GET run 0 locale)
  list(GET run 1 codepage)
  execute_process(COMMAND ${wine} LANG=${locale} LC_ALL=${locale} ${WINE64} ${tests}/win32_tests.exe ${codepage}
                  WORKING_DIRECTORY ${tests} RESULT_VARIABLE failed)
  if(failed)
    math(EXPR errors "${errors} + 1")
  endif()
  execute_process(COMMAND ${wine} LANG=${locale} LC_ALL=${locale} ${WINE64} ${tests}/shared_tests.exe
                  WORKING_DIRECTORY ${tests} RESULT_VARIABLE failed)
  if(failed)
    math(EXPR shared_errors "${shared_errors} + 1")
  endif()
endforeach()
execute_process(COMMAND ${wine} KICKLIST_TEST_DPI=96 ${WINE64} ${tests}/winui_tests.exe WORKING_DIRECTORY ${tests}
                RESULT_VARIABLE winui_failed)
execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${prefix} ${WINESERVER} -w)

# The Win32 face again in a copy of the prefix (file(COPY) keeps the drive
# links as links): with the screen at 144 dpi; and with the designs' faces
# drawn in one of other measures, as a Japanese system draws them in its own
# (the labels must stay whole, if smaller).
foreach(leg "144 dpi;144;IPAPGothic" "another face;96;Noto Sans CJK JP")
  list(POP_FRONT leg what dpi face)
  set(lprefix ${prefix}-leg)
  file(REMOVE_RECURSE ${lprefix})
  file(COPY ${prefix}/ DESTINATION ${lprefix})
  set(lwine ${CMAKE_COMMAND} -E env WINEPREFIX=${lprefix} ${wine_env} LANG=C.UTF-8 LC_ALL=C.UTF-8)
  execute_process(COMMAND ${lwine} ${WINE64} reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d ${dpi} /f
                  OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE failed)
  replace_design_faces("${lwine}" "${face}")
  if(NOT failed)
    execute_process(COMMAND ${lwine} KICKLIST_TEST_DPI=${dpi} KICKLIST_TEST_FACE=${face} ${WINE64} ${tests}/winui_tests.exe
                    WORKING_DIRECTORY ${tests} RESULT_VARIABLE failed)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${lprefix} ${WINESERVER} -k)
  file(REMOVE_RECURSE ${lprefix})
  if(failed)
    list(APPEND winui_legs_failed "${what}")
  endif()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/wine-installer.cmake)

if(errors)
  fail("${errors} of 2 code pages had failures")
endif()
if(shared_errors)
  fail("the shared code's tests failed in ${shared_errors} of 2 code pages")
endif()
if(winui_failed)
  fail("the Win32 face's tests failed")
endif()
if(winui_legs_failed)
  fail("the Win32 face's tests failed with ${winui_legs_failed}")
endif()
if(installer_failure)
  fail("the installer: ${installer_failure}")
endif()
