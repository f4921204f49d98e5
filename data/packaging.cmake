# The Debian package: cpack --preset deb (after a build) writes
# build/package/kicklist_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kicklist)
set(CPACK_PACKAGE_VENDOR "The Kicklist developers")
set(CPACK_PACKAGE_CONTACT "The Kicklist developers <kicklist@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "launcher for a short list of registered programs")
set(CPACK_PACKAGE_DESCRIPTION
  "Kicklist keeps a short list of the programs you use every day. Register a
program by browsing drives, folders and files, give it a name of your own,
and start it, or all of them in order, from one list window. The interface
is Japanese.
The command line lists the programs, starts them all without a window, and
can have them started each time you log in.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies are what dpkg-shlibdeps finds the program linked against;
# Qt's platform plugins come with them (libqt6gui6 recommends them).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic")

# Debian's own documents, in the package only: the licence as its copyright
# file and the changelog, compressed as policy asks.
set(CPACK_CUSTOM_INSTALL_VARIABLES "KICKLIST_DEBIAN_DOCS=ON")
install(CODE "
  if(KICKLIST_DEBIAN_DOCS)
    set(docs \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/doc/kicklist\")
    file(INSTALL \"${PROJECT_SOURCE_DIR}/LICENSE\" DESTINATION \"\${docs}\" RENAME copyright)
    execute_process(COMMAND gzip -9nc \"${CMAKE_CURRENT_LIST_DIR}/changelog\"
      OUTPUT_FILE \"${PROJECT_BINARY_DIR}/changelog.gz\" COMMAND_ERROR_IS_FATAL ANY)
    file(INSTALL \"${PROJECT_BINARY_DIR}/changelog.gz\" DESTINATION \"\${docs}\")
  endif()")

include(CPack)
