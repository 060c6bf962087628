#!/bin/bash
# The real program prints along each road: the operator presses Return on
# the window, and what reaches the private scheduler's capture queues (or
# the direct-write file) is checked byte for byte.
#
#   print-roads.sh ORVANE_BINARY
set -u
. "$(dirname "$0")/e2e-lib.sh"
binary=$1
cups=$ORVANE_CUPS_DIR

# Starts the program in a folder of its own with CONFIG as config.ini on a
# file holding BYTES (printf format) and waits for its window. Sets DIR,
# PID and WINDOW.
start_case() { # CASE CONFIG BYTES
    DIR=$(e2e_install "$binary" "$1")
    printf '%s' "$2" >"$DIR/config.ini"
    printf "$3" >"$DIR/arquivo.txt"
    e2e_start "$DIR" "$DIR/arquivo.txt"
    PID=$E2E_PID
    WINDOW=$(e2e_window "$PID" Orvane)
}
press() { [ -n "$WINDOW" ] && e2e_press_return "$WINDOW"; }
start_and_press() { start_case "$@"; press; }

# --- baixo: the worked example, then the cut job --------------------------------
cups_private add-queue "$cups" e2e-baixo
start_and_press baixo "[geral]
impressora=e2e-baixo
nivel=baixo
margem_esquerda=2
margem_superior=1
margem_inferior=2
matricial=draft
cortarPapel=epson corte total
" 'AB\r\nC'
e2e_wait_exit "$PID"
check "baixo: exit status 0" equals "$E2E_STATUS" 0
check "baixo: two jobs" cups_private wait-job "$cups" e2e-baixo 2 10
check "baixo: the framed text" equals "$(hex_of "$(job e2e-baixo 1)")" \
    "1b 78 30 1b 12 0a 20 20 41 42 0a 20 20 43 0a 0a 0a"
check "baixo: then the Epson cut" equals "$(hex_of "$(job e2e-baixo 2)")" "1b 69"
check "baixo: spooler reports success twice" equals \
    "$(grep -c 'Entire file data was sent to printer.' "$DIR/stdout")" 2
check "baixo: settings saved" equals "$(ini_value "$DIR/config.ini" cortarPapel)" "epson corte total"
check "baixo: no window left" e2e_no_window "$PID"

# --- baixo with no cut preset: the empty cut document leaves nothing behind --
cups_private add-queue "$cups" e2e-semcorte
start_and_press semcorte "[geral]
impressora=e2e-semcorte
nivel=baixo
" 'caf\xe9\x00\x80\xff\n'
e2e_wait_exit "$PID"
check "no cut: exit status 0" equals "$E2E_STATUS" 0
check "no cut: the text job" cups_private wait-job "$cups" e2e-semcorte 1 10
check "no cut: every byte, zero bytes too" equals "$(hex_of "$(job e2e-semcorte 1)")" \
    "0a 20 20 63 61 66 e9 00 80 ff 0a 20 20 0a 0a 0a"
sleep 0.3
check "no cut: no second job" equals "$(jobs_of e2e-semcorte | wc -l)" 1
check "no cut: nothing held in the queue" equals "$(cups_private pending "$cups" e2e-semcorte)" 0

# --- escrita direta to a plain file: CR LF, and the cut through the spooler ---
cups_private add-queue "$cups" e2e-direta
# Qt keeps non-ASCII text in config.ini as \x escapes of the characters.
target=$(printf "$E2E_TMP/porta de sa\xc3\xadda.prn")
target_in_ini="$E2E_TMP/porta de sa\\xed\\x64\\x61.prn"
printf 'conteudo antigo que deve sumir\n' >"$target"
start_and_press direta "[geral]
impressora=e2e-direta
nivel=escrita direta
escrita_direta=$target_in_ini
margem_esquerda=1
margem_superior=0
margem_inferior=1
cortarPapel=bematech corte total
" 'A\nB\n'
e2e_wait_exit "$PID"
check "direta: exit status 0" equals "$E2E_STATUS" 0
check "direta: the file holds CR LF lines" equals "$(hex_of "$target")" \
    "20 41 0d 0a 20 42 0d 0a 20 0d 0a 0d 0a"
check "direta: the printer gets only the cut" cups_private wait-job "$cups" e2e-direta 1 10
check "direta: the Bematech cut" equals "$(hex_of "$(job e2e-direta 1)")" "1b 77"
# Qt 5 writes the escapes back, Qt 6 writes UTF-8
saved=$(ini_value "$DIR/config.ini" escrita_direta)
[ "$saved" = "$target" ] && saved=$target_in_ini
check "direta: target saved as it was" equals "$saved" "$target_in_ini"

# --- medio and alto: a PDF whose text is the file's ------------------------------
for level in medio alto; do
    cups_private add-queue "$cups" "e2e-$level"
    start_and_press "$level" "[geral]
impressora=e2e-$level
nivel=$level
fonte=Arial
fonte_negrito=true
tamanho_fonte=14
cortarPapel=samsung corte parcial
" 'PADARIA S\xc3\x83O JO\xc3\x83O\nP\xc3\xa3o franc\xc3\xaas   7,50\n'
    e2e_wait_exit "$PID" 30
    check "$level: exit status 0" equals "$E2E_STATUS" 0
    check "$level: page job and cut job" cups_private wait-job "$cups" "e2e-$level" 2 15
    first=$(job "e2e-$level" 1)
    check "$level: the page is a PDF" equals "$(head -c 5 "$first")" "%PDF-"
    text=$(pdftotext -layout "$first" - 2>/dev/null)
    check "$level: the PDF holds the text" grep -q "PADARIA SÃO JOÃO" <<<"$text"
    check "$level: accents kept" grep -q "Pão francês" <<<"$text"
    check "$level: the cut follows" equals "$(hex_of "$(job "e2e-$level" 2)")" "1b 6d"
done

# --- no printer chosen: the message, no job, the window stays ----------------
start_and_press semimpressora "[geral]
impressora=
nivel=baixo
cortarPapel=epson corte total
" 'x\n'
box=$(e2e_window "$PID" IMPRESSORA)
check "no printer: the IMPRESSORA message" test -n "$box"
[ -n "$box" ] && e2e_press_return "$box"
sleep 0.3
check "no printer: the window stays" test -n "$(xdotool search --all --onlyvisible --pid "$PID" --name '^Orvane$')"
check "no printer: nothing on the spooler" equals "$(grep -c 'debug (printerName)' "$DIR/stdout")" 0
kill "$PID"
e2e_wait_exit "$PID"

# --- the chosen printer deleted before the press: failure shown, no cut -------
for level in baixo medio; do
    cups_private add-queue "$cups" "e2e-some-$level"
    start_case "some-$level" "[geral]
impressora=e2e-some-$level
nivel=$level
cortarPapel=epson corte total
" 'x\n'
    lpadmin -h "$CUPS_SERVER" -x "e2e-some-$level"
    press
    box=$(e2e_window "$PID" IMPRESSORA)
    check "$level, printer gone: the failure message" test -n "$box"
    [ -n "$box" ] && e2e_press_return "$box"
    sleep 0.3
    check "$level, printer gone: the window stays" test -n "$(xdotool search --all --onlyvisible --pid "$PID" --name '^Orvane$')"
    check "$level, printer gone: no job, no cut" equals "$(jobs_of "e2e-some-$level" | wc -l)" 0
    check "$level, printer gone: one spooler call at most" test "$(grep -c 'debug (printerName)' "$DIR/stdout")" -le 1
    kill "$PID"
    e2e_wait_exit "$PID"
done

checks_summary
