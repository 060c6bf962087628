#!/bin/bash
# Installs the build into a temporary prefix, validates the desktop entry,
# and runs the installed program end to end through its launcher.
#
#   install-test.sh BUILD_DIR
set -u
. "$(dirname "$0")/../e2e/e2e-lib.sh"
build=$1
prefix="$E2E_TMP/prefixo com espaço"

check "cmake --install succeeds" cmake --install "$build" --prefix "$prefix"
desktop="$prefix/share/applications/orvane.desktop"
check "desktop entry is valid" desktop-file-validate "$desktop"
exec_line=$(grep '^Exec=' "$desktop")
check "desktop entry opens the file given" equals "$exec_line" "Exec=\"$prefix/bin/orvane\" %f"
check "desktop entry takes text files" grep -qx 'MimeType=text/plain;' "$desktop"
check "desktop entry comment in Portuguese" grep -q '^Comment=Imprime ' "$desktop"
check "icon installed" test -s "$prefix/share/icons/hicolor/scalable/apps/orvane.svg"
check "launcher on the prefix's bin" test -x "$prefix/bin/orvane"
check "program in a folder of its own" test -x "$prefix/lib/orvane/orvane"

# The installed program prints a receipt and keeps its settings beside itself.
cups_private add-queue "$ORVANE_CUPS_DIR" instalado
printf '[geral]\nimpressora=instalado\nnivel=baixo\nmargem_esquerda=0\nmargem_superior=0\nmargem_inferior=0\ncortarPapel=daruma corte total\n' \
    >"$prefix/lib/orvane/config.ini"
printf 'CUPOM 1\n' >"$E2E_TMP/cupom.txt"
e2e_launch "$prefix/bin/orvane" "$E2E_TMP" "$E2E_TMP/cupom.txt"
pid=$E2E_PID
window=$(e2e_window "$pid" Orvane)
check "installed program shows its window" test -n "$window"
[ -n "$window" ] && e2e_press_return "$window"
e2e_wait_exit "$pid"
check "installed program: exit status 0" equals "$E2E_STATUS" 0
check "installed program: text and cut jobs" cups_private wait-job "$ORVANE_CUPS_DIR" instalado 2 10
check "installed program: the text" equals "$(hex_of "$(job instalado 1)")" "43 55 50 4f 4d 20 31 0a 0a"
check "installed program: the cut" equals "$(hex_of "$(job instalado 2)")" "1b 77"
check "installed program: settings kept beside it" equals "$(ini_value "$prefix/lib/orvane/config.ini" cortarPapel)" "daruma corte total"
check "installed program: sixteen keys" equals "$(ini_key_count "$prefix/lib/orvane/config.ini")" 16

# A missing file gets the same message and status as the build's program.
e2e_launch "$prefix/bin/orvane" "$E2E_TMP" "$E2E_TMP/nao-existe.txt"
pid=$E2E_PID
box=$(e2e_window "$pid" ARQUIVO)
check "installed program, missing file: the ARQUIVO message" test -n "$box"
[ -n "$box" ] && e2e_press_return "$box"
e2e_wait_exit "$pid"
check "installed program, missing file: exit status 1" equals "$E2E_STATUS" 1

checks_summary
