#!/bin/bash
# Cross-builds the raw printing code and the test driver for 64-bit Windows
# with mingw-w64, warnings fatal, from the sources the Linux build uses.
#
#   build-mingw.sh SOURCE_ROOT BUILD_DIR [CMAKE [GENERATOR]]
#
#   BUILD_DIR/rawprint                  printing/rawprint built on its own
#   BUILD_DIR/driver/wine_driver.exe    tests/windows/wine_driver.cpp on it
#
# Then checks that the .exe is a 64-bit Windows program that needs no DLL
# of the toolchain (the runtimes are linked in). Fails, saying why, when the
# toolchain is missing or anything does not build without a warning.
set -u

[ $# -ge 2 ] || { echo "usage: $0 SOURCE_ROOT BUILD_DIR [CMAKE [GENERATOR]]" >&2; exit 2; }
src=$(cd "$1" && pwd -P) || exit 1
build=$2
cmake=${3:-cmake}
generator=${4:-}
triplet=x86_64-w64-mingw32

fail() {
    echo "FAIL: $*"
    exit 1
}

command -v "$triplet-g++" >/dev/null \
    || fail "$triplet-g++ is not installed (Debian package g++-mingw-w64-x86-64)"
command -v "$triplet-objdump" >/dev/null \
    || fail "$triplet-objdump is not installed (Debian package binutils-mingw-w64-x86-64)"
mkdir -p "$build" || fail "cannot make $build"
build=$(cd "$build" && pwd -P)

# The same flags whichever generator the build folder was first made with.
generator_args=()
if [ -n "$generator" ] && [ ! -e "$build/rawprint/CMakeCache.txt" ]; then
    generator_args=(-G "$generator")
fi
common=(-DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake"
        -DCMAKE_BUILD_TYPE=RelWithDebInfo
        -DCMAKE_CXX_FLAGS=-Werror)

step() { # TITLE COMMAND...
    local title=$1
    shift
    echo "== $title"
    "$@" || fail "$title"
}

step "configure printing/rawprint for Windows" \
    "$cmake" "${generator_args[@]}" -S "$src/printing/rawprint" -B "$build/rawprint" "${common[@]}"
step "build printing/rawprint for Windows" \
    "$cmake" --build "$build/rawprint"

generator_args=()
if [ -n "$generator" ] && [ ! -e "$build/driver/CMakeCache.txt" ]; then
    generator_args=(-G "$generator")
fi
step "configure the Windows test driver" \
    "$cmake" "${generator_args[@]}" -S "$src/tests/windows/driver" -B "$build/driver" "${common[@]}" \
             -DORVANE_RAWPRINT_BUILD="$build/rawprint"
step "build the Windows test driver" \
    "$cmake" --build "$build/driver"

exe=$build/driver/wine_driver.exe
[ -f "$exe" ] || fail "no $exe after the build"

# A 32-bit program would run under this wine and do nothing at all.
format=$("$triplet-objdump" -f "$exe" | sed -n 's/.*file format //p')
[ "$format" = pei-x86-64 ] || fail "$exe is '$format', not a 64-bit Windows program (pei-x86-64)"

# Only Windows' own DLLs: the C and C++ runtimes must be linked in.
dlls=$("$triplet-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort)
[ -n "$dlls" ] || fail "$exe imports no DLL at all (objdump shows none)"
for dll in $dlls; do
    case $dll in
        kernel32.dll | msvcrt.dll | winspool.drv) ;;
        *) fail "$exe needs $dll; only kernel32.dll, msvcrt.dll and winspool.drv are expected" ;;
    esac
done
echo "$exe: $format, imports $(echo $dlls)"
echo "PASS: the Windows build has no warning and a self-contained .exe"
