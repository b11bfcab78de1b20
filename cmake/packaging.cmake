# What `cmake --install` puts where, and the package `cpack` makes of it: a .deb
# (cpack -G DEB) elsewhere, a zip (cpack -G ZIP) for Windows. Both carry the
# MIT licence: the .deb as its copyright file, the zip as LICENSE.txt.
include(GNUInstallDirs)

set(TEXTDUMP_MAINTAINER "textdump developers <noreply@textdump.invalid>"
    CACHE STRING "Maintainer of the packages, as \"Name <address>\"")

if(WIN32)
  # The zip holds the program, the guide (README.txt) and the licence
  # (LICENSE.txt), both with CR LF line ends, and the examples at its top
  # level; its answers.txt names the files from there, and the bash script
  # stays out.
  foreach(text README.md LICENSE)
    file(READ ${PROJECT_SOURCE_DIR}/${text} content)
    string(REPLACE "\n" "\r\n" content "${content}")
    string(REGEX REPLACE "\\.md$" "" stem ${text})
    file(WRITE ${PROJECT_BINARY_DIR}/${stem}.txt "${content}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${text})
  endforeach()
  install(TARGETS textdump RUNTIME DESTINATION .)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)
  install(FILES examples/README.md examples/ascii-std.tbl examples/demo.sfc examples/demo0.tbl
                examples/demo1.tbl DESTINATION examples)
  install(FILES examples/answers-windows.txt DESTINATION examples RENAME answers.txt)
  set(CPACK_GENERATOR ZIP)
else()
  # As Debian wants them: the manual page gzipped, a copyright file and a
  # changelog in the package's documentation folder.
  find_program(GZIP_PROGRAM gzip REQUIRED)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS doc/textdump.1)
  execute_process(COMMAND ${GZIP_PROGRAM} -9n -c ${PROJECT_SOURCE_DIR}/doc/textdump.1
                  OUTPUT_FILE ${PROJECT_BINARY_DIR}/textdump.1.gz COMMAND_ERROR_IS_FATAL ANY)
  string(TIMESTAMP TEXTDUMP_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(cmake/debian/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
  execute_process(COMMAND ${GZIP_PROGRAM} -9n -f ${PROJECT_BINARY_DIR}/changelog
                  COMMAND_ERROR_IS_FATAL ANY)
  install(TARGETS textdump RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/textdump.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES cmake/debian/copyright ${PROJECT_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_NAME textdump)
set(CPACK_PACKAGE_VENDOR "textdump developers")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT "${TEXTDUMP_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dump the text of a game image through a character table")
# Line ends stay in the .deb's description; each line is one line of the control file.
set(CPACK_PACKAGE_DESCRIPTION [[textdump reads a game image (a ROM file) through a character table file
and writes the game's text into a plain dump file. It reads the standard
table files that translators share (multi-byte keys, labelled ends, control
codes, in UTF-8, Shift-JIS or Windows-1252) as well as its own format, with
pointer tables, fixed-length records and table switches; dumps a game's
pointer tables as scripts that the Atlas inserter reads back unchanged, with
their insertion tables, and checks edited scripts against their room; finds
the pointer tables of a ROM; finds text by relative search from a few words
seen on screen; and checks table files for mistakes.]])
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (dpkg-dev) and file turn the program's libraries into the Depends line.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
