# The Debian package, made by `cpack -G DEB` in the build folder from the
# install rules of install.cmake with the prefix /usr. The program's folder
# is then read-only to the operators, whose settings go to their own
# configuration folder.

set(ORVANE_PACKAGE_MAINTAINER "Orvane maintainers <maintainers@users.noreply.c-seed-0a380fbf.example>"
    CACHE STRING "Name <address> in the package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prints a text file on receipt, dot-matrix and page printers")
set(CPACK_PACKAGE_DESCRIPTION
"A point-of-sale or billing program writes a receipt to a file and starts
Orvane on it. The operator checks the printer and presses IMPRIMIR; the
file is printed once, raw through CUPS, written to a port, or laid out on
pages, and a paper-cut command follows. Its window is in Portuguese.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORVANE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the Qt, CUPS and C++ runtime packages the binary links
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
