# Installation: the program in a folder of its own, a launcher on PATH, a
# desktop entry, its icon and the documentation. `cmake --install` puts them
# in the user's own ~/.local by default; the Debian package (package.cmake)
# uses the same rules with the prefix /usr.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT AND DEFINED ENV{HOME})
    set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH "Install prefix" FORCE)
endif()

install(TARGETS orvane RUNTIME DESTINATION lib/orvane)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/orvane.svg DESTINATION share/icons/hicolor/scalable/apps)

# The README, with the copyright file and the changelog (compressed, without
# a time stamp) that a Debian package must carry beside it.
if(UNIX)
    find_program(ORVANE_GZIP gzip)
    if(NOT ORVANE_GZIP)
        message(FATAL_ERROR "gzip is needed to install the changelog")
    endif()
    add_custom_command(OUTPUT changelog.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/changelog changelog
        COMMAND ${ORVANE_GZIP} -9nf changelog
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog VERBATIM)
    add_custom_target(orvane_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_LIST_DIR}/copyright
                  ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
            DESTINATION share/doc/orvane)
endif()

# Written at install time, so that `cmake --install --prefix` gets the
# paths of the prefix it installs into.
install(CODE "
    set(prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    file(MAKE_DIRECTORY \"\${prefix}/bin\" \"\${prefix}/share/applications\")
    file(CREATE_LINK ../lib/orvane/orvane \"\${prefix}/bin/orvane\" SYMBOLIC)
    set(ORVANE_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/bin/orvane\")
    configure_file(\"${CMAKE_CURRENT_LIST_DIR}/orvane.desktop.in\"
                   \"\${prefix}/share/applications/orvane.desktop\" @ONLY)
    message(STATUS \"Installing: \${prefix}/bin/orvane, \${prefix}/share/applications/orvane.desktop\")
")
