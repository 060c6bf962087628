#!/bin/bash
# Qt 5.15.8 for 64-bit Windows, cross-built with mingw-w64 from Debian's own
# source into a cache outside the tree, once.
#
#   windows-qt.sh prefix       print the cache folder Qt goes into
#   windows-qt.sh ensure       build it there unless its stamp names the
#                              same version and configure options
#
# Only what Orvane needs: Core, Gui, Widgets, PrintSupport and their Windows
# plugins. The first build takes about half an hour on 2 cores; its own
# output goes to a log, and one line per module shows on the terminal.
# Needs root or sudo to add a deb-src entry when the machine has none.
set -euo pipefail

readonly QT_VERSION=5.15.8
readonly TRIPLET=x86_64-w64-mingw32
cache=${ORVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvane}
prefix=$cache/qt-$QT_VERSION-mingw64

# The +dfsg tarball lacks the wintab headers that tablet support needs, so
# tablets are left out; the tills have none. The receipt's pictures come as
# PNG, BMP or JPEG: PNG and BMP are read by QtGui itself, JPEG by a plugin
# built on Qt's own copy of libjpeg; the GIF and ICO readers are left out.
# So is every widget, dialog and framework the window does not use
# (graphics view, state machine, style sheets, MDI, docks, calendars, undo,
# the font and colour dialogs, print preview, tray icon...): less to
# compile. The input dialog stays: the Windows Vista style includes it
# whatever the features.
readonly CONFIGURE_OPTIONS=(
    -platform linux-g++ -xplatform win32-g++ -device-option CROSS_COMPILE=$TRIPLET-
    -opensource -confirm-license -release -shared -strip
    -nomake tests -nomake examples -nomake tools
    -no-opengl -no-dbus -no-vulkan -no-icu -no-openssl -no-direct2d -no-freetype -no-fontconfig
    -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -no-gif -no-ico -qt-harfbuzz
    -no-feature-network -no-feature-sql -no-feature-xml -no-feature-testlib
    -no-feature-concurrent -no-feature-tabletevent
    -no-feature-graphicsview -no-feature-graphicseffect -no-feature-statemachine
    -no-feature-style-stylesheet -no-feature-textodfwriter -no-feature-systemtrayicon
    -no-feature-mdiarea -no-feature-dockwidget -no-feature-calendarwidget -no-feature-datetimeedit
    -no-feature-dial -no-feature-lcdnumber -no-feature-splashscreen -no-feature-wizard -no-feature-toolbox
    -no-feature-undocommand -no-feature-undostack -no-feature-undogroup -no-feature-undoview
    -no-feature-fontcombobox -no-feature-fontdialog -no-feature-colordialog
    -no-feature-errormessage -no-feature-keysequenceedit -no-feature-syntaxhighlighter
    -no-feature-columnview -no-feature-printpreviewwidget -no-feature-printpreviewdialog
)
stamp_text="qt $QT_VERSION for $TRIPLET (posix threads): ${CONFIGURE_OPTIONS[*]}"

say() { echo "[qt-windows $(date +%H:%M:%S)] $*" >&2; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

is_built() {
    [ -f "$prefix/orvane-stamp" ] && [ "$(cat "$prefix/orvane-stamp")" = "$stamp_text" ]
}

# Debian's posix-threaded mingw compilers under the plain names that Qt's
# mkspec calls, without touching the system's alternatives.
posix_compilers() {
    local bin=$cache/posix-bin tool
    mkdir -p "$bin"
    for tool in gcc g++ c++ cpp; do
        ln -sfn "/usr/bin/$TRIPLET-$tool-posix" "$bin/$TRIPLET-$tool"
    done
    [ -x "$bin/$TRIPLET-g++" ] || { say "missing $TRIPLET-g++-posix (package g++-mingw-w64-x86-64-posix)"; exit 1; }
    echo "$bin"
}

# The orig tarball of Debian's qtbase, fetched once into the cache.
source_tarball() {
    local src=$cache/src tarball
    mkdir -p "$src"
    tarball=$(ls "$src"/qtbase-opensource-src_"$QT_VERSION"*.orig.tar.xz 2>/dev/null | head -n 1 || true)
    if [ -z "$tarball" ]; then
        if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
            say "adding a deb-src entry for bookworm"
            printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: bookworm\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' |
                as_root tee /etc/apt/sources.list.d/orvane-deb-src.sources >/dev/null
            as_root apt-get update -qq
        fi
        say "downloading Qt's source (about 48 MB)"
        (cd "$src" && apt-get source --download-only qtbase-opensource-src >/dev/null 2>&1) ||
            { say "apt-get source qtbase-opensource-src failed"; exit 1; }
        tarball=$(ls "$src"/qtbase-opensource-src_"$QT_VERSION"*.orig.tar.xz 2>/dev/null | head -n 1 || true)
        [ -n "$tarball" ] || { say "no Qt $QT_VERSION tarball came with the source package"; exit 1; }
    fi
    echo "$tarball"
}

# make's own output condensed to the folders it enters, one line each.
progress() {
    local log=$1 line
    while IFS= read -r line; do
        printf '%s\n' "$line" >>"$log"
        if [[ $line =~ ^cd\ ([^ ]+)/\ \&\&\ \(\ test\ -e\ Makefile ]]; then
            say "  ${BASH_REMATCH[1]}"
        fi
    done
}

ensure() {
    is_built && return 0
    mkdir -p "$cache"
    exec 9>"$cache/qt.lock"
    flock 9
    is_built && return 0

    local bin tarball work log started
    bin=$(posix_compilers)
    tarball=$(source_tarball)
    work=$cache/work
    log=$cache/qt-build.log
    started=$(date +%s)
    say "building Qt $QT_VERSION for Windows into $prefix"
    say "this happens once and takes about 30 minutes on 2 cores; full log: $log"
    rm -rf "$work" "$prefix"
    mkdir -p "$work"
    tar -xf "$tarball" -C "$work" --strip-components=1
    : >"$log"
    say "configuring (about 2 minutes)"
    # configure builds qmake first: with every core, not one.
    (cd "$work" && PATH=$bin:$PATH MAKEFLAGS=-j"$(nproc)" ./configure -prefix "$prefix" "${CONFIGURE_OPTIONS[@]}") >>"$log" 2>&1 ||
        { tail -n 30 "$log" >&2; say "configure failed"; exit 1; }
    say "configured in $(($(date +%s) - started)) s; compiling"
    if ! (cd "$work" && PATH=$bin:$PATH make -j"$(nproc)" 2>&1) | progress "$log"; then
        tail -n 30 "$log" >&2
        say "the Qt build failed"
        exit 1
    fi
    (cd "$work" && PATH=$bin:$PATH make install) >>"$log" 2>&1 ||
        { tail -n 30 "$log" >&2; say "make install failed"; exit 1; }
    echo "$stamp_text" >"$prefix/orvane-stamp"
    rm -rf "$work"
    say "done in $((($(date +%s) - started) / 60)) min: $(du -sh "$prefix" | cut -f1) in $prefix"
}

case ${1:-} in
    prefix) echo "$prefix" ;;
    ensure) ensure ;;
    *) echo "usage: $0 prefix|ensure" >&2; exit 2 ;;
esac
