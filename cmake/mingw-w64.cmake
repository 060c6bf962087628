# Cross-compiling for 64-bit Windows with mingw-w64 (Debian: the packages
# g++-mingw-w64-x86-64 and binutils-mingw-w64-x86-64).
#
#   cmake -S printing/rawprint -B build-win \
#         -DCMAKE_TOOLCHAIN_FILE=$PWD/cmake/mingw-w64.cmake
#
# The programs link the C and C++ runtimes statically, so an .exe needs no
# DLL beyond those of Windows itself (and runs under wine as it is).
# MINGW_TRIPLET picks another mingw-w64 toolchain, e.g. i686-w64-mingw32.

set(CMAKE_SYSTEM_NAME Windows)

if(NOT MINGW_TRIPLET)
    set(MINGW_TRIPLET x86_64-w64-mingw32)
endif()
if(MINGW_TRIPLET MATCHES "^x86_64")
    set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
    set(CMAKE_SYSTEM_PROCESSOR x86)
endif()
# try_compile projects run this file again and need the triplet too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_TRIPLET)

find_program(CMAKE_C_COMPILER NAMES ${MINGW_TRIPLET}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLET}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLET}-windres)
if(NOT CMAKE_CXX_COMPILER)
    message(FATAL_ERROR "${MINGW_TRIPLET}-g++ was not found: install g++-mingw-w64-x86-64")
endif()

# Libraries and headers come from the target's own folder, programs from
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

