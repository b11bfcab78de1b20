# What `cmake --install` puts where, and the package `cpack` makes of it: a .deb
# (cpack -G DEB) elsewhere, a zip (cpack -G ZIP) for Windows.
include(GNUInstallDirs)

if(WIN32)
  # The zip holds the program, the guide and the example at its top level.
  install(TARGETS textdump RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION . RENAME README.txt)
  install(DIRECTORY examples DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS textdump RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES doc/textdump.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(CPACK_GENERATOR DEB)
endif()

set(TEXTDUMP_PACKAGE_CONTACT "textdump maintainers <textdump@example.org>"
    CACHE STRING "Maintainer of the packages, as \"Name <address>\"")

set(CPACK_PACKAGE_NAME textdump)
set(CPACK_PACKAGE_VENDOR "textdump maintainers")
set(CPACK_PACKAGE_CONTACT "${TEXTDUMP_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dump the text of a game image through a character table")
# Line ends stay in the .deb's description; each line is one line of the control file.
set(CPACK_PACKAGE_DESCRIPTION [[textdump reads a game image (a ROM file) through a character table file
and writes the game's text into a plain dump file: the table's texts, line
breaks, end and wait markers, unknown bytes in hexadecimal, strings reached
through fixed-length records and SNES LoROM/HiROM pointer tables, and
switches between a numbered family of table files. It also checks table
files for mistakes.]])
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (dpkg-dev) and file turn the program's libraries into the Depends line.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
