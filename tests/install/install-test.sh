#!/bin/bash
# Installs the build as a shop would, checks what was installed, and runs
# the installed program through the end-to-end rows marked "installed":
#   prefix  `cmake --install` into a temporary prefix with a space and an
#           accent in its name;
#   deb     the Debian package made by cpack, checked by lintian and
#           unpacked with dpkg-deb into a temporary root.
#
#   install-test.sh BUILD_DIR prefix|deb
set -u
. "$(dirname "$0")/../e2e/e2e-lib.sh"
build=$1

case $2 in
prefix)
    prefix="$E2E_TMP/prefixo com espaço"
    check "cmake --install succeeds" cmake --install "$build" --prefix "$prefix"
    launcher=$prefix/bin/orvane
    ;;
deb)
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    deb="$E2E_TMP/pacote/orvane_${version}_amd64.deb"
    check "cpack makes orvane_${version}_amd64.deb" cpack -G DEB -B "$E2E_TMP/pacote" --config "$build/CPackConfig.cmake"
    check "package: section utils" equals "$(dpkg-deb -f "$deb" Section)" utils
    check "package: dependencies found in the binary" grep -q 'libcups2 (>= ' <<<"$(dpkg-deb -f "$deb" Depends)"
    # The one warning that stays: no manual page. The program is started by
    # the point-of-sale program, not typed; its usage is the README.
    lint=$(lintian "$deb" 2>&1 | grep -v 'root privileges')
    [ -z "$lint" ] || printf 'lintian:\n%s\n' "$lint"
    check "lintian: no error, no warning but the manual page" equals "$(grep '^[EW]:' <<<"$lint" | grep -vc ' no-manual-page ')" 0
    check "dpkg-deb unpacks it" dpkg-deb -x "$deb" "$E2E_TMP/raiz"
    prefix=$E2E_TMP/raiz/usr
    launcher=/usr/bin/orvane
    ;;
esac

desktop="$prefix/share/applications/orvane.desktop"
check "desktop entry is valid" desktop-file-validate "$desktop"
check "desktop entry opens the file given" equals "$(grep '^Exec=' "$desktop")" "Exec=\"$launcher\" %f"
check "desktop entry takes text files" grep -qx 'MimeType=text/plain;' "$desktop"
check "icon, launcher and program in a folder of its own" \
    test -s "$prefix/share/icons/hicolor/scalable/apps/orvane.svg" -a -x "$prefix/bin/orvane" -a -x "$prefix/lib/orvane/orvane"
check "README, copyright and changelog as documentation" \
    test -s "$prefix/share/doc/orvane/README.md" -a -s "$prefix/share/doc/orvane/copyright" \
         -a -s "$prefix/share/doc/orvane/changelog.gz"
checks_summary
installed=$?
bash "$(dirname "$0")/../e2e/e2e.sh" linux "$prefix/lib/orvane/orvane" installed && exit $installed
