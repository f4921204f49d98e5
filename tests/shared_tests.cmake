# shared_tests: the windows' handlers and the store, with the standard library
# and doctest alone. Every tests/{store,windows}/test_*.cpp and
# tests/support/std/*.cpp; the same sources build for Windows.
find_path(DOCTEST_INCLUDE_DIR doctest.h PATH_SUFFIXES doctest REQUIRED)
file(GLOB shared_test_sources CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/store/test_*.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/test_*.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/std/*.cpp)
add_executable(shared_tests ${shared_test_sources})
target_include_directories(shared_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${DOCTEST_INCLUDE_DIR})
# Single-threaded tests; MinGW's win32 thread model has no std::mutex.
target_compile_definitions(shared_tests PRIVATE DOCTEST_CONFIG_NO_MULTITHREADING)
target_link_libraries(shared_tests PRIVATE kicklist_windows)
add_test(NAME shared_tests COMMAND shared_tests)
