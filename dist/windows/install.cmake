# The Windows program folder: orvane.exe with every DLL and plugin it needs
# beside it, ready to copy to a till. config.ini is kept beside the program,
# so the folder must stay writable (the installer puts it under the user's
# %LOCALAPPDATA%\Programs).

install(TARGETS orvane RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:${QT}::Core> $<TARGET_FILE:${QT}::Gui>
              $<TARGET_FILE:${QT}::Widgets> $<TARGET_FILE:${QT}::PrintSupport>
        DESTINATION .)
install(FILES $<TARGET_FILE:${QT}::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:${QT}::QWindowsPrinterSupportPlugin> DESTINATION printsupport)
install(FILES $<TARGET_FILE:${QT}::QWindowsVistaStylePlugin> DESTINATION styles)
# The receipt's pictures may be JPEG: Qt reads those through a plugin.
if(NOT TARGET ${QT}::QJpegPlugin)
    message(FATAL_ERROR "this Qt for Windows has no JPEG reader (scripts/lib/windows-qt.sh builds one)")
endif()
install(FILES $<TARGET_FILE:${QT}::QJpegPlugin> DESTINATION imageformats)

# The C and C++ runtimes of the compiler that built Qt and the program.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} knows no ${runtime}")
    endif()
    get_filename_component(runtime_path "${runtime_path}" REALPATH)
    install(FILES ${runtime_path} DESTINATION .)
endforeach()


# zint is linked in; its BSD licence asks for its notice beside the program.
get_filename_component(zint_prefix "${ZINT_INCLUDE_DIR}" DIRECTORY)
if(NOT EXISTS "${zint_prefix}/share/zint/LICENSE")
    message(FATAL_ERROR "zint's licence is not in ${zint_prefix} (scripts/lib/windows-zint.sh puts it there)")
endif()
install(FILES "${zint_prefix}/share/zint/LICENSE" DESTINATION . RENAME zint-LICENSE.txt)
