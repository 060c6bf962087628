# Cross-compiling for 64-bit Windows with Debian's mingw-w64, posix-threaded
# (packages g++-mingw-w64-x86-64-posix, gcc-mingw-w64-x86-64-posix), the
# threading model of Qt's own MinGW kits.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64.cmake \
#         -DORVANE_WINDOWS_QT=<Qt 5 for mingw-w64>       (scripts/build-windows)
#         -DORVANE_WINDOWS_ZINT=<zint for mingw-w64>
#
# The C and C++ runtime DLLs ship beside the program, as Qt's DLLs need them
# anyway.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
# try_compile projects run this file again and need the Qt and zint folders too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ORVANE_WINDOWS_QT ORVANE_WINDOWS_ZINT)

find_program(CMAKE_C_COMPILER NAMES ${MINGW_TRIPLET}-gcc-posix)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLET}-g++-posix)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLET}-windres)
if(NOT CMAKE_CXX_COMPILER)
    message(FATAL_ERROR "${MINGW_TRIPLET}-g++-posix was not found: install g++-mingw-w64-x86-64-posix")
endif()

# Libraries and headers come from the target's folders, programs from the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET} ${ORVANE_WINDOWS_QT} ${ORVANE_WINDOWS_ZINT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
