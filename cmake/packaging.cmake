# Installation and packages.
#
#   cmake --install <build dir> [--prefix <dir>]
#       bin/tonvert, bin/tonvert-dump, their man pages in share/man/man1 and
#       the documentation (README.md, docs/*.md) in share/doc/tonvert.
#   cpack --config <build dir>/CPackConfig.cmake   (or: cmake --build <build dir> --target package)
#       a Debian package and a .tar.gz of the same tree.

include(GNUInstallDirs)

install(TARGETS tonvert tonvert-dump
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  COMPONENT tonvert)

install(FILES
  ${PROJECT_SOURCE_DIR}/docs/tonvert.1
  ${PROJECT_SOURCE_DIR}/docs/tonvert-dump.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
  COMPONENT tonvert)

# The documents present when the build is configured; a new one shows up at
# the next build through CONFIGURE_DEPENDS.
file(GLOB tonvert_documents CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/README.md
  ${PROJECT_SOURCE_DIR}/docs/*.md)
if(tonvert_documents)
  install(FILES ${tonvert_documents}
    DESTINATION ${CMAKE_INSTALL_DOCDIR}
    COMPONENT tonvert)
endif()

set(CPACK_PACKAGE_NAME tonvert)
set(CPACK_PACKAGE_VENDOR "Tonvert developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Converts OSTREL music files (.msc) into Music Macro Language (MML) files")
set(CPACK_PACKAGE_DESCRIPTION
  "tonvert converts a song collection in the OSTREL music file format, with its voice bank, into one MML text file per song and keeps a voice table file that maps the voices to MML voice texts. tonvert-dump lists a music file's songs, parts and events with what each one means.")
set(CPACK_PACKAGE_CONTACT "Tonvert developers <tonvert@localhost>")
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")

include(CPack)
