# The sources and libraries of shared_tests, for the native and the cross
# build alike (see CMakeLists.txt for the rule).
set(tests_dir ${CMAKE_CURRENT_LIST_DIR})
file(GLOB shared_test_sources CONFIGURE_DEPENDS
  ${tests_dir}/platform/test_*.cpp ${tests_dir}/store/test_*.cpp ${tests_dir}/windows/test_*.cpp
  ${tests_dir}/support/std/*.cpp ${tests_dir}/support/*_std.cpp)
list(APPEND shared_test_sources ${tests_dir}/shared_main.cpp)
set(shared_test_libraries kicklist_platform kicklist_store)
# The windows join once they are the standard library's alone.
file(READ ${tests_dir}/../src/windows/CMakeLists.txt windows_cmake)
if(windows_cmake MATCHES "Qt6|AUTOUIC|AUTOMOC|kicklist_widgets")
  set(KICKLIST_WINDOWS_SHARED OFF)
  list(FILTER shared_test_sources EXCLUDE REGEX "/tests/windows/")
else()
  set(KICKLIST_WINDOWS_SHARED ON)
  list(APPEND shared_test_libraries kicklist_windows)
endif()
