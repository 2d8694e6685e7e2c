# Installation and packages.
#
#   cmake --install <build dir> [--prefix <dir>]
#       bin/tonvert, bin/tonvert-dump, their man pages (gzip-compressed) in
#       share/man/man1, and in share/doc/tonvert the user documents (README.md,
#       dump.md), the copyright file made from LICENSE, the changelog, and the
#       demo collection under examples/. The developer documents (fuzzing,
#       performance) stay in the source tree.
#   cpack --config <build dir>/CPackConfig.cmake   (or: cmake --build <build dir> --target package)
#       a Debian package and a .tar.gz of the same tree.

include(GNUInstallDirs)

# The package's contact, in the Maintainer field and the copyright file.
set(TONVERT_MAINTAINER "Tonvert contributors <maintainers@tonvert.org>"
  CACHE STRING "The package maintainer: name and mail address")

install(TARGETS tonvert tonvert-dump
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  COMPONENT tonvert)

# Man pages, compressed as Debian wants them: gzip -9n, so that the bytes do
# not depend on the build's time or file name.
set(tonvert_man_pages)
foreach(page tonvert.1 tonvert-dump.1)
  set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/${page} ${PROJECT_BINARY_DIR}/man/${page}
    COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/man/${page}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page}
    VERBATIM)
  list(APPEND tonvert_man_pages ${compressed})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${tonvert_man_pages})
install(FILES ${tonvert_man_pages}
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
  COMPONENT tonvert)

# The copyright file in Debian's machine-readable format, made from LICENSE
# (the one place that holds the licence text): its body indented by one
# space, empty lines written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE tonvert_license)
string(REGEX REPLACE "^MIT License\n\nCopyright [^\n]*\n\n" "" tonvert_license "${tonvert_license}")
string(REGEX REPLACE "\n+$" "" tonvert_license "${tonvert_license}")
string(REPLACE "\n\n" "\n.\n" tonvert_license "${tonvert_license}")
string(REPLACE "\n" "\n " TONVERT_LICENSE_BODY " ${tonvert_license}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

# A changelog, which Debian asks of every package.
file(WRITE ${PROJECT_BINARY_DIR}/changelog.in
  "tonvert (${PROJECT_VERSION}) stable; urgency=medium\n\n"
  "  * Release ${PROJECT_VERSION}.\n\n"
  " -- ${TONVERT_MAINTAINER}  Thu, 01 Jan 2026 00:00:00 +0000\n")
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/changelog.in ${PROJECT_BINARY_DIR}/changelog
  COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/changelog.in
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)

install(FILES
  ${PROJECT_SOURCE_DIR}/README.md
  ${PROJECT_SOURCE_DIR}/docs/dump.md
  ${PROJECT_BINARY_DIR}/copyright
  ${PROJECT_BINARY_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR}
  COMPONENT tonvert)
install(FILES
  ${PROJECT_SOURCE_DIR}/examples/README.md
  ${PROJECT_SOURCE_DIR}/examples/demo.txt
  ${PROJECT_SOURCE_DIR}/examples/demo.msc
  ${PROJECT_SOURCE_DIR}/examples/demo.vce
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
  COMPONENT tonvert)

set(CPACK_PACKAGE_NAME tonvert)
set(CPACK_PACKAGE_VENDOR "Tonvert contributors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "converts OSTREL music files (.msc) into MML files")
set(CPACK_PACKAGE_DESCRIPTION
  "tonvert converts a song collection in the OSTREL music file format, with its
voice bank, into one Music Macro Language (MML) text file per song, and keeps a
voice table file that maps the voices to MML voice texts. tonvert-dump lists a
music file's songs, parts and events with what each one means, and a voice
table file's lines as tonvert reads them.")
set(CPACK_PACKAGE_CONTACT "${TONVERT_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TONVERT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")

include(CPack)
