# kicklist.exe, the Windows program, and kicklist-cli.exe, its console twin
# for typing the command line in cmd.exe or PowerShell (wincommandline.cpp
# says why). Both static (no mingw DLLs beside them) and stripped.
set(resources ${CMAKE_CURRENT_SOURCE_DIR}/windows)
set(generated ${CMAKE_CURRENT_BINARY_DIR}/resources)

# Icon 1: the 32 px PNG the Linux build ships (the windows' own picture) and
# the other sizes drawn from the SVG, as data/ does.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(svg ${PROJECT_SOURCE_DIR}/data/icons/kicklist.svg)
set(icon_sizes 16 32 48 256)
set(icon_images)
foreach(size IN LISTS icon_sizes)
  if(size EQUAL 32)
    list(APPEND icon_images ${PROJECT_SOURCE_DIR}/src/resources/kicklist.png)
    continue()
  endif()
  set(png ${generated}/kicklist-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${svg}
    DEPENDS ${svg} VERBATIM)
  list(APPEND icon_images ${png})
endforeach()
add_custom_command(OUTPUT ${generated}/icon.rc
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${generated}/icon.rc "-DSIZES=${icon_sizes}" "-DIMAGES=${icon_images}"
          -P ${resources}/makeicon.cmake
  DEPENDS ${icon_images} ${resources}/makeicon.cmake VERBATIM)
add_custom_target(kicklist_icon DEPENDS ${generated}/icon.rc)

set(KICKLIST_MANIFEST ${resources}/kicklist.manifest)
foreach(name kicklist kicklist-cli)
  set(KICKLIST_EXE_NAME ${name})
  configure_file(${resources}/kicklist.rc.in ${generated}/${name}.rc @ONLY)
  set_source_files_properties(${generated}/${name}.rc PROPERTIES
    OBJECT_DEPENDS "${generated}/icon.rc;${KICKLIST_MANIFEST}")
  add_executable(${name} winmain.cpp wincommandline.cpp ${generated}/${name}.rc)
  add_dependencies(${name} kicklist_icon)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src ${generated})
  target_compile_definitions(${name} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                             KICKLIST_VERSION="${PROJECT_VERSION}")
  target_link_options(${name} PRIVATE -municode -static -static-libgcc -static-libstdc++ -s)
  target_link_libraries(${name} PRIVATE kicklist_commands kicklist_winui kicklist_win32 kicklist_windows shell32)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  install(TARGETS ${name} RUNTIME DESTINATION .)
endforeach()
set_target_properties(kicklist PROPERTIES WIN32_EXECUTABLE ON)
target_compile_definitions(kicklist-cli PRIVATE KICKLIST_CONSOLE)
