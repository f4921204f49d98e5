# The sources and libraries of shared_tests, for the native and the cross
# build alike (see CMakeLists.txt for the rule).
set(tests_dir ${CMAKE_CURRENT_LIST_DIR})
file(GLOB shared_test_sources CONFIGURE_DEPENDS
  ${tests_dir}/app/test_*.cpp ${tests_dir}/platform/test_*.cpp ${tests_dir}/store/test_*.cpp ${tests_dir}/windows/test_*.cpp
  # The Win32 layer's, empty in a native build.
  ${tests_dir}/platform/win32/test_*.cpp
  ${tests_dir}/support/std/*.cpp)
set(shared_test_libraries kicklist_platform kicklist_store kicklist_windows kicklist_commands)
