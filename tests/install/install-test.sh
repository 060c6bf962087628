#!/bin/bash
# Installs the build as a shop would, checks what was installed, and runs
# the installed program end to end through its launcher on the worked
# example:
#   prefix  `cmake --install` into a temporary prefix, run by root: the
#           settings stay beside the program;
#   deb     the Debian package made by cpack, checked by lintian and
#           unpacked with dpkg-deb into a temporary root, run by "nobody",
#           to whom the program's folder is read-only: the settings go to
#           that user's configuration folder, the shop's preset beside the
#           program is where they start from.
#
#   install-test.sh BUILD_DIR prefix|deb
set -u
. "$(dirname "$0")/../e2e/e2e-lib.sh"
build=$1
mode=$2
chmod 0755 "$E2E_TMP"
E2E_RUN_PREFIX=()

case $mode in
prefix)
    prefix="$E2E_TMP/prefixo com espaço"
    check "cmake --install succeeds" cmake --install "$build" --prefix "$prefix"
    launcher=$prefix/bin/orvane
    settings=$prefix/lib/orvane/config.ini
    ;;
deb)
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    deb="$E2E_TMP/pacote/orvane_${version}_amd64.deb"
    check "cpack makes the package" cpack -G DEB -B "$E2E_TMP/pacote" --config "$build/CPackConfig.cmake"
    check "package named orvane_${version}_amd64.deb" test -s "$deb"
    check "package: section utils" equals "$(dpkg-deb -f "$deb" Section)" utils
    check "package: a maintainer" grep -q '<.*@.*>' <<<"$(dpkg-deb -f "$deb" Maintainer)"
    check "package: dependencies found in the binary" grep -q 'libcups2 (>= ' <<<"$(dpkg-deb -f "$deb" Depends)"
    # The one warning that stays: no manual page. The program is started by
    # the point-of-sale program, not typed; its usage is the README in
    # /usr/share/doc/orvane.
    lint=$(lintian "$deb" 2>&1 | grep -v 'root privileges')
    [ -z "$lint" ] || printf 'lintian:\n%s\n' "$lint"
    check "lintian: no error" equals "$(grep -c '^E:' <<<"$lint")" 0
    check "lintian: no warning but the manual page" equals "$(grep '^W:' <<<"$lint" | grep -vc ' no-manual-page ')" 0
    check "dpkg-deb unpacks it" dpkg-deb -x "$deb" "$E2E_TMP/raiz"
    prefix=$E2E_TMP/raiz/usr
    launcher=/usr/bin/orvane
    mkdir -m 0777 "$E2E_TMP/config-do-operador"
    settings=$E2E_TMP/config-do-operador/orvane/config.ini
    E2E_RUN_PREFIX=(env "XDG_CONFIG_HOME=$E2E_TMP/config-do-operador" "${NOBODY[@]}")
    ;;
esac

desktop="$prefix/share/applications/orvane.desktop"
check "desktop entry is valid" desktop-file-validate "$desktop"
exec_line=$(grep '^Exec=' "$desktop")
check "desktop entry opens the file given" equals "$exec_line" "Exec=\"$launcher\" %f"
check "desktop entry takes text files" grep -qx 'MimeType=text/plain;' "$desktop"
check "desktop entry comment in Portuguese" grep -q '^Comment=Imprime ' "$desktop"
check "icon installed" test -s "$prefix/share/icons/hicolor/scalable/apps/orvane.svg"
check "launcher on the prefix's bin" test -x "$prefix/bin/orvane"
check "program in a folder of its own" test -x "$prefix/lib/orvane/orvane"
check "README, copyright and changelog as documentation" \
    test -s "$prefix/share/doc/orvane/README.md" -a -s "$prefix/share/doc/orvane/copyright" \
         -a -s "$prefix/share/doc/orvane/changelog.gz"

# The installed program prints the worked example and keeps its settings.
cups_private add-queue "$ORVANE_CUPS_DIR" "instalado-$mode"
preset="[geral]
impressora=instalado-$mode
nivel=baixo
margem_esquerda=2
margem_superior=1
margem_inferior=2
matricial=draft
cortarPapel=daruma corte total"
printf '%s\n' "$preset" >"$prefix/lib/orvane/config.ini"
printf 'AB\r\nC' >"$E2E_TMP/exemplo.txt"
e2e_launch "$prefix/bin/orvane" "$E2E_TMP" "$E2E_TMP/exemplo.txt"
pid=$E2E_PID
window=$(e2e_window "$pid" Orvane)
check "installed program shows its window" test -n "$window"
[ -n "$window" ] && e2e_press_return "$window"
e2e_wait_exit "$pid"
check "installed program: exit status 0" equals "$E2E_STATUS" 0
check "installed program: text and cut jobs" cups_private wait-job "$ORVANE_CUPS_DIR" "instalado-$mode" 2 10
check "installed program: the framed text" equals "$(hex_of "$(job "instalado-$mode" 1)")" \
    "1b 78 30 1b 12 0a 20 20 41 42 0a 20 20 43 0a 0a 0a"
check "installed program: the cut" equals "$(hex_of "$(job "instalado-$mode" 2)")" "1b 77"
check "installed program: settings kept" equals "$(ini_value "$settings" cortarPapel)" "daruma corte total"
check "installed program: sixteen keys" equals "$(ini_key_count "$settings")" 16
[ "$mode" = deb ] &&
    check "installed program: the preset beside it untouched" equals "$(cat "$prefix/lib/orvane/config.ini")" "$preset"

# A missing file gets the same message and status as the build's program.
e2e_launch "$prefix/bin/orvane" "$E2E_TMP" "$E2E_TMP/nao-existe.txt"
pid=$E2E_PID
box=$(e2e_window "$pid" ARQUIVO)
check "installed program, missing file: the ARQUIVO message" test -n "$box"
[ -n "$box" ] && e2e_press_return "$box"
e2e_wait_exit "$pid"
check "installed program, missing file: exit status 1" equals "$E2E_STATUS" 1

checks_summary
