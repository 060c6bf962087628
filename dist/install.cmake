# Installation: the program in a folder of its own (config.ini is kept
# beside it, so that folder must stay writable), a launcher on PATH, a
# desktop entry and an icon. The default prefix is the user's own
# ~/.local, never /usr.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT AND DEFINED ENV{HOME})
    set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH "Install prefix" FORCE)
endif()

install(TARGETS orvane RUNTIME DESTINATION lib/orvane)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/orvane.svg DESTINATION share/icons/hicolor/scalable/apps)

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
