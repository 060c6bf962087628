#!/bin/bash
# Whatever the calling program or the machine hands it, the real program
# shows the operator a sound message or prints, never crashes or hangs, and
# loses nothing on disk. Each case checks what the operator sees, what
# reaches the printer, the exit status and config.ini afterwards.
#
#   bad-input.sh ORVANE_BINARY
set -u
. "$(dirname "$0")/e2e-lib.sh"
binary=$1
cups=$ORVANE_CUPS_DIR


# What the program sends at level "baixo" with margins 2 (left), 1 (top)
# and 2 (bottom): carriage returns dropped while reading, every line framed.
framed() { # FILE
    perl -0777 -ne 's/\r//g; my @l = split /\n/, $_, -1; @l = ("") unless @l;
                   print "\n", (map { "  $_\n" } @l), "\n\n"' "$1"
}

base_config() { # QUEUE [LEVEL]
    printf '[geral]\nimpressora=%s\nnivel=%s\nmargem_esquerda=2\nmargem_superior=1\nmargem_inferior=2\ncortarPapel=epson corte total\n' \
        "$1" "${2:-baixo}"
}

# Runs one case: a fresh program folder holding CONFIG_TEXT (unless "-"),
# started on FILE, with Return pressed on the main window if it shows. Sets
# DIR, PID, SAW (the title of the message box that appeared, or "") and,
# when the program ended, E2E_STATUS ("running" when the window stayed).
# E2E_RUN_PREFIX (array) runs the program under another user or environment.
run_case() { # NAME CONFIG_TEXT FILE
    DIR=$(e2e_install "$binary" "$1")
    [ "$2" = - ] || printf '%s' "$2" >"$DIR/config.ini"
    e2e_start "$DIR" "$3"
    PID=$E2E_PID
    SAW=
    local window box=
    window=$(timeout 60 xdotool search --all --sync --onlyvisible --pid "$PID" --name '^(Orvane|ARQUIVO)$' 2>/dev/null | head -n 1)
    if [ -n "$window" ] && [ "$(xdotool getwindowname "$window")" = ARQUIVO ]; then
        SAW=ARQUIVO
        e2e_press_return "$window"
    elif [ -n "$window" ]; then
        e2e_press_return "$window"
        # the program either ends (printed) or shows a message
        local ticks=1200 state
        while state=$(awk '{print $3}' "/proc/$PID/stat" 2>/dev/null) && [ -n "$state" ] && [ "$state" != Z ] &&
              [ $ticks -gt 0 ]; do
            box=$(xdotool search --all --onlyvisible --pid "$PID" --name '^IMPRESSORA$' 2>/dev/null | head -n 1)
            [ -n "$box" ] && break
            sleep 0.1
            ticks=$((ticks - 1))
        done
        if [ -n "$box" ]; then
            SAW=IMPRESSORA
            e2e_press_return "$box"
            sleep 0.3
            if [ -n "$(xdotool search --all --onlyvisible --pid "$PID" --name '^Orvane$')" ]; then
                E2E_STATUS=running
                kill "$PID"
                wait "$PID" 2>/dev/null
                return
            fi
        fi
    fi
    e2e_wait_exit "$PID" 120
}
E2E_RUN_PREFIX=()

# --- the file to print ---------------------------------------------------------
files="$E2E_TMP/arquivos"
mkdir -p "$files/sem acesso" "$files/pasta"
printf '' >"$files/vazio.txt"
perl -e 'for $i (1..800000) { printf "%06d  PARAFUSO SEXTAVADO ZINCADO 1/4 X 2  %5d  R\$ %9.2f\r\n", $i, $i % 500, $i * 0.37 }' >"$files/grande.txt"
head -c $((5 * 1024 * 1024)) /dev/urandom >"$files/binario.bin"
printf 'caf\xe9 \xc3\x28 \xff\xfe fim\n' >"$files/utf8-invalido.txt"
printf 'antes\x00depois\n\x00\x00fim' >"$files/nulos.txt"
accented=$(printf 'recibo de caf\xc3\xa9 n\xc2\xba 7.txt')
printf 'Recibo n\xc2\xba 7\n' >"$files/$accented"
printf 'relativo\n' >"$files/relativo.txt"
printf 'segredo\n' >"$files/sem acesso/segredo.txt"
chmod 0700 "$files/sem acesso"
chmod 0755 "$E2E_TMP" "$files"

# name | file | expected: printed or the ARQUIVO message
file_cases=(
    "missing|$files/nao-existe.txt|ARQUIVO"
    "directory|$files/pasta|ARQUIVO"
    "unreadable|$files/sem acesso/segredo.txt|ARQUIVO"
    "empty|$files/vazio.txt|printed"
    "50 MB of text|$files/grande.txt|printed"
    "5 MB of random bytes|$files/binario.bin|printed"
    "invalid UTF-8|$files/utf8-invalido.txt|printed"
    "NUL bytes|$files/nulos.txt|printed"
    "spaces and accents in the name|$files/$accented|printed"
    "relative path|relativo.txt|printed"
)
for row in "${file_cases[@]}"; do
    IFS='|' read -r name file expected <<<"$row"
    queue="bad-$(tr -c 'a-z0-9' - <<<"${name,,}" | cut -c1-30)"
    cups_private add-queue "$cups" "$queue"
    E2E_RUN_PREFIX=()
    E2E_CWD=
    case $name in
        unreadable) E2E_RUN_PREFIX=("${NOBODY[@]}") ;;
        "relative path") E2E_CWD=$files ;;
    esac
    run_case "file-$queue" "$(base_config "$queue")" "$file"
    [ "$name" = unreadable ] && chmod 0777 "$DIR"
    if [ "$expected" = ARQUIVO ]; then
        check "$name: the ARQUIVO message" equals "$SAW" ARQUIVO
        check "$name: exit status 1" equals "$E2E_STATUS" 1
        sleep 0.2
        check "$name: nothing printed" equals "$(job_count "$queue")" 0
    else
        check "$name: no message" equals "$SAW" ""
        check "$name: exit status 0" equals "$E2E_STATUS" 0
        cups_private wait-job "$cups" "$queue" 2 60 >/dev/null 2>&1
        real=$name
        [ "$name" = "relative path" ] && file="$files/$file"
        check "$real: every byte printed, framed" cmp -s <(framed "$file") "$(jobs_of "$queue" | head -n 1)"
        check "$real: the cut follows" equals "$(od -An -t x1 "$(jobs_of "$queue" | sed -n 2p)" | xargs)" "1b 69"
    fi
    check "$name: config.ini kept the printer" equals "$(ini_value "$DIR/config.ini" impressora)" "$queue"
done
E2E_CWD=
E2E_RUN_PREFIX=()

# --- config.ini ----------------------------------------------------------------
receipt="$files/cupom.txt"
printf 'CUPOM\n' >"$receipt"
cups_private add-queue "$cups" bad-config

garbage=$(head -c 4096 /dev/urandom | tr -d '\000')
run_case config-garbage "$garbage" "$receipt"
check "garbage config: the window works, no printer chosen" equals "$SAW" IMPRESSORA
check "garbage config: still running until closed" equals "$E2E_STATUS" running
# The exit after a failed start saves: the file must survive it.
run_case config-garbage "$garbage" "$files/nao-existe.txt"
check "garbage config: exit status 1 after ARQUIVO" equals "$E2E_STATUS" 1
check "garbage config: the file is left as it was" equals "$(cat "$DIR/config.ini")" "$garbage"
check "garbage config: said why on standard error" grep -q 'config.ini n.*o foi salvo' "$DIR/stderr"

long=$(base_config bad-config; printf 'fonte=%s\n' "$(head -c 1048576 /dev/zero | tr '\0' A)")
run_case config-long-line "$long" "$receipt"
check "1 MB line: printed" equals "$E2E_STATUS" 0
check "1 MB line: unknown font replaced by the default" equals "$(ini_value "$DIR/config.ini" fonte)" "Courier New"

run_case config-numbers "$(base_config bad-config)
margem_geral=-2147483649
margem_superior=99999999999999999999999
tamanho_fonte=-7
width=-100000
height=999999999
x=-999999999
y=77
" "$receipt"
check "absurd numbers: printed" equals "$E2E_STATUS" 0
check "absurd numbers: huge margin saved as 0 (not a number)" equals "$(ini_value "$DIR/config.ini" margem_superior)" 0
check "absurd numbers: negative size saved as 0" equals "$(ini_value "$DIR/config.ini" tamanho_fonte)" 0
check "absurd numbers: margin clamped" equals "$(ini_value "$DIR/config.ini" margem_geral)" 0

run_case config-duplicates "$(base_config bad-config)
nivel=alto
nivel=baixo
impressora=outra
impressora=bad-config
" "$receipt"
check "duplicated keys: printed" equals "$E2E_STATUS" 0
check "duplicated keys: one of each saved" equals "$(ini_key_count "$DIR/config.ini")" 16

# Unreadable config.ini: the defaults are used and the file survives the
# save at exit.
DIR=$(e2e_install "$binary" config-unreadable)
base_config bad-config >"$DIR/config.ini"
chmod 0600 "$DIR/config.ini"
chmod 0777 "$DIR"
E2E_RUN_PREFIX=("${NOBODY[@]}")
run_case config-unreadable - "$receipt"
check "unreadable config: no printer chosen, the message" equals "$SAW" IMPRESSORA
run_case config-unreadable - "$files/nao-existe.txt"
E2E_RUN_PREFIX=()
check "unreadable config: exit status 1 after ARQUIVO" equals "$E2E_STATUS" 1
check "unreadable config: the file is left as it was" equals "$(cat "$DIR/config.ini")" "$(base_config bad-config)"
check "unreadable config: said why on standard error" grep -q 'config.ini n.*o foi salvo' "$DIR/stderr"

# A program folder closed to the operator sends the settings to the user's
# configuration folder. When that folder cannot be made, or config.ini is a
# directory, the program works all the same, overwrites nothing and says why
# nothing was saved.
cups_private add-queue "$cups" bad-place
blocker="$files/bloqueio"
printf 'um arquivo no caminho\n' >"$blocker"
# name | run as | config.ini beside the program | XDG_CONFIG_HOME | on the receipt | why
place_cases=(
    "settings folder blocked by a file|nobody|preset|$blocker|printed|a pasta n.*o p.*de ser criada"
    "config.ini is a directory|root|directory|$E2E_TMP/xdg-root|IMPRESSORA|o arquivo existe mas n.*o pode ser lido"
)
for row in "${place_cases[@]}"; do
    IFS='|' read -r name user beside xdg expected why <<<"$row"
    case_dir="place-${name//[^a-z]/-}"
    DIR=$(e2e_install "$binary" "$case_dir")
    if [ "$beside" = preset ]; then base_config bad-place >"$DIR/config.ini"; else mkdir "$DIR/config.ini"; fi
    E2E_RUN_PREFIX=(env "XDG_CONFIG_HOME=$xdg")
    [ "$user" = nobody ] && E2E_RUN_PREFIX+=("${NOBODY[@]}")
    run_case "$case_dir" - "$receipt"
    if [ "$expected" = printed ]; then
        check "$name: printed, exit status 0" equals "$E2E_STATUS" 0
        check "$name: text and cut printed" cups_private wait-job "$cups" bad-place 2 10
    else
        check "$name: the window works, no printer chosen" equals "$SAW" IMPRESSORA
    fi
    # the exit after a failed start saves too
    run_case "$case_dir" - "$files/nao-existe.txt"
    E2E_RUN_PREFIX=()
    check "$name: exit status 1 after ARQUIVO" equals "$E2E_STATUS" 1
    check "$name: said why on standard error" grep -q "config.ini n.*o foi salvo: $why" "$DIR/stderr"
    if [ "$beside" = preset ]; then
        check "$name: config.ini beside the program unchanged" equals "$(cat "$DIR/config.ini")" "$(base_config bad-place)"
        check "$name: the blocking file unchanged" equals "$(cat "$xdg")" "um arquivo no caminho"
    else
        check "$name: the directory left empty" equals "$(ls -A "$DIR/config.ini")" ""
        check "$name: nothing saved in the user's folder" test ! -e "$xdg/orvane"
    fi
done

# --- the spooler -----------------------------------------------------------------
# Scheduler down at start: no printer is listed, so none can be chosen.
E2E_RUN_PREFIX=(env CUPS_SERVER=127.0.0.1:1)
run_case spooler-down "$(base_config bad-config)" "$receipt"
E2E_RUN_PREFIX=()
check "scheduler down: the no-printer message" equals "$SAW" IMPRESSORA
check "scheduler down: the window stays" equals "$E2E_STATUS" running
check "scheduler down: the saved printer is kept" equals "$(ini_value "$DIR/config.ini" impressora)" bad-config

# A disabled queue takes the job; it prints when the queue is enabled again.
cups_private add-queue "$cups" bad-disabled
cupsdisable -h "$CUPS_SERVER" bad-disabled
run_case spooler-disabled "$(base_config bad-disabled)" "$receipt"
check "disabled queue: accepted, exit status 0" equals "$E2E_STATUS" 0
check "disabled queue: the jobs wait" equals "$(cups_private pending "$cups" bad-disabled)" 2
cupsenable -h "$CUPS_SERVER" bad-disabled
check "disabled queue: printed once enabled" cups_private wait-job "$cups" bad-disabled 2 15

# A queue that rejects jobs: the failure shows, nothing is left queued.
run_case spooler-rejecting "$(base_config rejeita)" "$receipt"
check "rejecting queue: the failure message" equals "$SAW" IMPRESSORA
check "rejecting queue: the window stays" equals "$E2E_STATUS" running
check "rejecting queue: StartDoc failed" grep -q 'erro ao iniciar StartDocPrinter: ' "$DIR/stdout"
check "rejecting queue: nothing left queued" equals "$(cups_private pending "$cups" rejeita)" 0

# --- the port --------------------------------------------------------------------
cups_private add-queue "$cups" bad-port
readonly_target="$files/somente-leitura.prn"
printf 'intocado\n' >"$readonly_target"
chmod 0444 "$readonly_target"
# name | target | run as
port_cases=(
    "folder that does not exist|$files/nao/existe/porta.prn|"
    "read-only file|$readonly_target|nobody"
    "/dev/full|/dev/full|"
)
for row in "${port_cases[@]}"; do
    IFS='|' read -r name target user <<<"$row"
    E2E_RUN_PREFIX=()
    [ "$user" = nobody ] && E2E_RUN_PREFIX=("${NOBODY[@]}")
    run_case "port-${name//[^a-z]/-}" "$(base_config bad-port "escrita direta")
escrita_direta=$target
" "$receipt"
    [ "$user" = nobody ] && chmod 0777 "$DIR"
    check "$name: the failure message" equals "$SAW" IMPRESSORA
    check "$name: the window stays" equals "$E2E_STATUS" running
    check "$name: no cut sent" equals "$(job_count bad-port)" 0
done
E2E_RUN_PREFIX=()
check "read-only file: left as it was" equals "$(cat "$readonly_target")" intocado

checks_summary
