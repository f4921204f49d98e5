# The Windows packages, made by `cmake --build build-windows --target package`
# (or `cpack --preset windows`): a per-user NSIS installer, which needs no
# administrator, and a ZIP of the bare programs. The installer's script is
# cmake/windows/NSIS.template.in.
set(CPACK_PACKAGE_NAME Kicklist)
set(CPACK_PACKAGE_VENDOR "The Kicklist developers")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Kicklist-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Kicklist プログラムキックリスト")
set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/windows)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kicklist)
include(CPack)
