#!/bin/bash
# zint for 64-bit Windows, cross-built with mingw-w64 from Debian's own
# source into a cache outside the tree, once: the static library the
# program links (nothing to ship beside orvane.exe but zint's licence).
#
#   windows-zint.sh prefix     print the cache folder zint goes into
#   windows-zint.sh ensure     build it there unless its stamp names the
#                              same version and options
#
# Only the library: no PNG output, no Qt widgets, no command line. About a
# minute on 2 cores. Needs root or sudo to add a deb-src entry when the
# machine has none.
set -euo pipefail

readonly ZINT_VERSION=2.11.1
readonly TRIPLET=x86_64-w64-mingw32
cache=${ORVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvane}
prefix=$cache/zint-$ZINT_VERSION-mingw64

readonly CMAKE_OPTIONS=(
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_C_COMPILER=$TRIPLET-gcc-posix -DCMAKE_CXX_COMPILER=$TRIPLET-g++-posix
    -DCMAKE_RC_COMPILER=$TRIPLET-windres
    -DCMAKE_FIND_ROOT_PATH=/usr/$TRIPLET -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY
    -DZINT_STATIC=ON -DZINT_USE_PNG=OFF -DZINT_USE_QT=OFF
)
stamp_text="zint $ZINT_VERSION for $TRIPLET (posix threads), static: ${CMAKE_OPTIONS[*]}"

say() { echo "[zint-windows $(date +%H:%M:%S)] $*" >&2; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

is_built() {
    [ -f "$prefix/orvane-stamp" ] && [ "$(cat "$prefix/orvane-stamp")" = "$stamp_text" ]
}

# The orig tarball of Debian's zint, fetched once into the cache.
source_tarball() {
    local src=$cache/src tarball
    mkdir -p "$src"
    tarball=$(ls "$src"/zint_"$ZINT_VERSION"*.orig.tar.* 2>/dev/null | head -n 1 || true)
    if [ -z "$tarball" ]; then
        if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
            say "adding a deb-src entry for bookworm"
            printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
                as_root tee /etc/apt/sources.list.d/orvane-deb-src.sources >/dev/null
            as_root apt-get update -qq
        fi
        say "downloading zint's source (about 4 MB)"
        (cd "$src" && apt-get source --download-only zint >/dev/null 2>&1) ||
            { say "apt-get source zint failed"; exit 1; }
        tarball=$(ls "$src"/zint_"$ZINT_VERSION"*.orig.tar.* 2>/dev/null | head -n 1 || true)
        [ -n "$tarball" ] || { say "no zint $ZINT_VERSION tarball came with the source package"; exit 1; }
    fi
    echo "$tarball"
}

ensure() {
    is_built && return 0
    mkdir -p "$cache"
    exec 9>"$cache/zint.lock"
    flock 9
    is_built && return 0
    command -v "$TRIPLET-gcc-posix" >/dev/null ||
        { say "missing $TRIPLET-gcc-posix (package gcc-mingw-w64-x86-64-posix)"; exit 1; }

    local tarball work log started
    tarball=$(source_tarball)
    work=$cache/zint-work
    log=$cache/zint-build.log
    started=$(date +%s)
    say "building zint $ZINT_VERSION for Windows into $prefix (about a minute)"
    rm -rf "$work" "$prefix"
    mkdir -p "$work/src"
    tar -xf "$tarball" -C "$work/src" --strip-components=1
    # Only the static library is built; the rest of zint's project is
    # configured and left alone.
    if ! { cmake -S "$work/src" -B "$work/build" "${CMAKE_OPTIONS[@]}" &&
           cmake --build "$work/build" -j"$(nproc)" --target zint-static; } >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        say "the zint build failed"
        exit 1
    fi
    mkdir -p "$prefix/lib" "$prefix/include" "$prefix/share/zint"
    cp "$work/build/backend/libzint-static.a" "$prefix/lib/libzint.a"
    cp "$work/src/backend/zint.h" "$prefix/include/"
    cp "$work/src/LICENSE" "$prefix/share/zint/LICENSE"
    echo "$stamp_text" >"$prefix/orvane-stamp"
    rm -rf "$work"
    say "done in $(($(date +%s) - started)) s"
}

case ${1:-} in
    prefix) echo "$prefix" ;;
    ensure) ensure ;;
    *) echo "usage: $0 prefix|ensure" >&2; exit 2 ;;
esac
