#!/bin/bash
# The Windows build of the raw printing code, run under wine against the
# private CUPS scheduler of the "cups" fixture (wine's printers are that
# scheduler's queues), compared with the Linux build of the same code.
#
#   wine-tests.sh WINDOWS_DRIVER LINUX_DRIVER WORK_DIR
#
# WINDOWS_DRIVER is wine_driver.exe from build-mingw.sh, LINUX_DRIVER the
# same source built natively; this script builds nothing. Run through
# with-cups.sh, which exports CUPS_SERVER and ORVANE_CUPS_DIR. WORK_DIR holds
# the private wine prefix (made once, on the first run) and the outputs.
#
# A 64-bit wine runs a 32-bit or broken .exe "successfully" having done
# nothing, so every check looks at bytes: what reached the capture queue,
# what the code wrote to standard output, and the driver's report line
# ("wine_driver: raw result=true"); never at an exit status alone.
set -u

[ $# -eq 3 ] || { echo "usage: $0 WINDOWS_DRIVER LINUX_DRIVER WORK_DIR" >&2; exit 2; }
win_driver=$1
linux_driver=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd -P)
cups_script=$here/../../scripts/lib/cups-private.sh

readonly WINE_TIMEOUT=120         # s for one run of the driver under wine
readonly PREFIX_TIMEOUT=300       # s to make the wine prefix
readonly LINUX_TIMEOUT=60         # s for one run of the Linux driver
readonly JOB_TIMEOUT=20           # s for a job to reach the capture folder

. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

summary() { # the closing line, and the exit status
    checks_summary
    exit $?
}

# A missing prerequisite fails the test: nothing can be said about Windows.
give_up() {
    check "$*" false
    summary
}

command -v wine >/dev/null || give_up "wine is not installed (Debian package wine)"
command -v wineserver >/dev/null || give_up "wineserver is not installed (Debian package wine64)"
[ -f "$win_driver" ] || give_up "no Windows driver $win_driver (build-mingw.sh makes it)"
[ -x "$linux_driver" ] || give_up "no Linux driver $linux_driver"
[ -n "${CUPS_SERVER:-}" ] && [ -d "${ORVANE_CUPS_DIR:-}" ] \
    || give_up "CUPS_SERVER / ORVANE_CUPS_DIR not set: run through with-cups.sh"
[ -r "$cups_script" ] || give_up "no $cups_script"
for queue in recibo rejeita; do
    [ -d "$ORVANE_CUPS_DIR/jobs/$queue" ] || give_up "no capture folder for queue $queue in $ORVANE_CUPS_DIR/jobs"
done
lpstat -r 2>/dev/null | grep -q 'scheduler is running' \
    || give_up "the scheduler at $CUPS_SERVER does not answer"

mkdir -p "$work" || give_up "cannot make $work"
work=$(cd "$work" && pwd -P)
out=$work/out
rm -rf "$out"
mkdir -p "$out" || give_up "cannot make $out"

# --- wine --------------------------------------------------------------------
export WINEPREFIX=$work/wineprefix
export WINEDEBUG=-all
# No Mono or Gecko installer, no menu entries in the user's home.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"

stop_wineserver() {
    # The server of this prefix only: it was started by this run.
    [ -d "$WINEPREFIX" ] && timeout 30 wineserver -k 2>/dev/null
}
trap stop_wineserver EXIT

# The prefix is made once; a folder without the stamp is an interrupted try.
if [ ! -e "$WINEPREFIX/.orvane-ready" ]; then
    rm -rf "$WINEPREFIX"
    started=$(date +%s.%N)
    timeout "$PREFIX_TIMEOUT" wineboot --init >"$out/wineboot.log" 2>&1
    status=$?
    # Until the server exits, the registry may not be on disk.
    [ $status -eq 0 ] && { timeout "$PREFIX_TIMEOUT" wineserver -w; status=$?; }
    if [ $status -ne 0 ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
        cat "$out/wineboot.log"
        give_up "could not make the wine prefix $WINEPREFIX (status $status)"
    fi
    touch "$WINEPREFIX/.orvane-ready"
    echo "wine prefix made in $(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s: $WINEPREFIX"
fi

# --- helpers -----------------------------------------------------------------
hex_of() { od -An -v -tx1 | tr -d ' \n'; }

# Runs the Windows driver: run_windows NAME ARGS... -> $out/NAME.{stdout,stderr}
run_windows() {
    local name=$1
    shift
    (cd "$work" && timeout "$WINE_TIMEOUT" wine "$win_driver" "$@") \
        >"$out/$name.stdout" 2>"$out/$name.stderr"
    local status=$?
    [ $status -eq 124 ] && echo "note: $name: wine did not finish in ${WINE_TIMEOUT}s"
    return 0
}

# The Linux driver's exit status counts (a sanitizer finding, a crash); it
# lands in $out/NAME.status.
run_linux() {
    local name=$1
    shift
    (cd "$work" && timeout "$LINUX_TIMEOUT" "$linux_driver" "$@") \
        >"$out/$name.stdout" 2>"$out/$name.stderr"
    echo $? >"$out/$name.status"
    return 0
}

# The driver's report line, exactly; for a Linux run also a clean exit.
reports() { # NAME LINE
    grep -qx -- "$2" "$out/$1.stderr" || { echo "  $1 reported:"; cat "$out/$1.stderr"; return 1; }
    if [ -e "$out/$1.status" ] && [ "$(cat "$out/$1.status")" != 0 ]; then
        echo "  $1 exited with status $(cat "$out/$1.status"):"
        cat "$out/$1.stderr"
        return 1
    fi
}

same_bytes() { # FILE1 FILE2
    cmp -- "$1" "$2" || { echo "  $1:"; od -c -- "$1" | head -n 12; echo "  $2:"; od -c -- "$2" | head -n 12; return 1; }
}

# Every job the scheduler knows (completed ones too), as "queue-id" per line.
# When the scheduler cannot be asked, a text no other listing equals.
all_jobs() {
    local listing
    listing=$(lpstat -W all -o 2>&1) || { echo "lpstat failed ($RANDOM$RANDOM): $listing"; return 1; }
    printf '%s\n' "$listing" | awk 'NF { print $1 }' | sort
}
jobs_unchanged() { # LISTING_BEFORE
    local now
    now=$(all_jobs) || { echo "  $now"; return 1; }
    [ "$now" = "$1" ] || { echo "  jobs now:"; printf '%s\n' "$now"; return 1; }
}
newest_job_id() { all_jobs | sed -n 's/.*-\([0-9][0-9]*\)$/\1/p' | sort -n | tail -n 1; }
job_files() { ls -1 "$ORVANE_CUPS_DIR/jobs/$1" 2>/dev/null | grep '^job-[0-9]*\.bin$' | sort; }
new_lines() { comm -13 <(printf '%s\n' "$1" | sed '/^$/d') <(printf '%s\n' "$2" | sed '/^$/d'); }
count_lines() { sed '/^$/d' | wc -l; }

# Waits for the capture folder of QUEUE to hold COUNT job files and the
# queue to have nothing left to do.
wait_jobs() { # QUEUE COUNT
    bash "$cups_script" wait-job "$ORVANE_CUPS_DIR" "$1" "$2" "$JOB_TIMEOUT" &&
        bash "$cups_script" wait-idle "$ORVANE_CUPS_DIR" "$1" "$JOB_TIMEOUT"
}

debug_lines() { # TEXT PRINTER: the three lines every call starts with
    printf 'debug (text): %s\ndebug (printerName): %s\ndebug (text): %s\n' "$1" "$2" "$1"
}

success_text='Entire file data was sent to printer.'

# Every byte value once, 00 to FF.
all_hex=$(for value in $(seq 0 255); do printf '%02x' "$value"; done)
printf "$(printf '\\%03o' $(seq 0 255))" >"$out/all-bytes.bin"
[ "$(hex_of <"$out/all-bytes.bin")" = "$all_hex" ] || give_up "could not make the 256-byte sample"

# --- zero-length document ----------------------------------------------------
# Wine sends nothing for an empty document: no job may reach the scheduler.
echo "== an empty document through winspool"
jobs_before=$(all_jobs)
newest_before=$(newest_job_id)
files_before=$(job_files recibo)
run_windows empty raw recibo -
{ debug_lines '' recibo; echo "$success_text"; } >"$out/empty.expected"
check "empty document: result true" reports empty 'wine_driver: raw result=true'
check "empty document: the exact success text" same_bytes "$out/empty.expected" "$out/empty.stdout"
check "empty document: no job known to the scheduler" jobs_unchanged "$jobs_before"
check "empty document: nothing captured" [ "$(job_files recibo)" = "$files_before" ]

# --- every byte value, unchanged ---------------------------------------------
echo "== bytes 00..FF through winspool"
files_before=$(job_files recibo)
run_windows bytes raw recibo "$all_hex"
{ debug_lines '' recibo; echo "$success_text"; } >"$out/bytes.expected"
check "all byte values: result true" reports bytes 'wine_driver: raw result=true'
check "all byte values: the exact success text" same_bytes "$out/bytes.expected" "$out/bytes.stdout"
wait_jobs recibo $(($(printf '%s\n' "$files_before" | count_lines) + 1))
new_files=$(new_lines "$files_before" "$(job_files recibo)")
check "all byte values: one job captured" [ "$(printf '%s\n' "$new_files" | count_lines)" -eq 1 ]
new_file=$ORVANE_CUPS_DIR/jobs/recibo/$(printf '%s\n' "$new_files" | head -n 1)
check "all byte values: 00, 0D, 1B, 80..FF arrive unchanged" \
    same_bytes "$out/all-bytes.bin" "$new_file"
# The empty document above must not have used up a job number either.
new_id=$(printf '%s\n' "$new_files" | head -n 1 | sed -n 's/^job-\([0-9]*\)\.bin$/\1/p')
check "empty document: the scheduler gave it no job number (next job is $((${newest_before:-0} + 1)), got ${new_id:-none})" \
    [ "${new_id:-0}" -eq $((${newest_before:-0} + 1)) ]

# --- an unknown printer ------------------------------------------------------
echo "== a printer nobody knows"
unknown=orvane-nao-existe
jobs_before=$(all_jobs)
run_windows unknown raw "$unknown" 414243
run_linux unknown-linux raw "$unknown" 414243
{ debug_lines ABC "$unknown"; printf 'retorno de erro em OpenPrinter'; } >"$out/unknown.expected"
check "unknown printer: result false on Windows and on Linux" \
    eval "reports unknown 'wine_driver: raw result=false' && reports unknown-linux 'wine_driver: raw result=false'"
check "unknown printer: three debug lines, then the OpenPrinter failure, no line end" \
    same_bytes "$out/unknown.expected" "$out/unknown.stdout"
check "unknown printer: the Linux build writes the same bytes" \
    same_bytes "$out/unknown.stdout" "$out/unknown-linux.stdout"
check "unknown printer: no job" jobs_unchanged "$jobs_before"

# --- a queue that refuses jobs -----------------------------------------------
echo "== a queue that refuses jobs"
jobs_before=$(all_jobs)
files_before=$(job_files rejeita)
run_windows rejected raw rejeita 414243
# Windows fails the call at the step the spooler refused. Debian's wine 8.0
# instead drops a job the scheduler refuses and reports success (its spooler
# logs the failed cupsCreateJob and goes on), so either outcome is accepted
# here; what must never happen is a job reaching the printer or staying
# queued, or any other text. The failure texts of every step are pinned by
# the platform-independent tests of the print steps.
rejected_ok() {
    local expected_start last
    expected_start=$(debug_lines ABC rejeita | hex_of)
    [ "$(head -c $((${#expected_start} / 2)) "$out/rejected.stdout" | hex_of)" = "$expected_start" ] \
        || { echo "  the debug lines differ:"; od -c "$out/rejected.stdout" | head; return 1; }
    last=$(tail -c +$((${#expected_start} / 2 + 1)) "$out/rejected.stdout")
    echo "  final text: '$last'"
    if reports rejected 'wine_driver: raw result=true'; then
        [ "$last" = "Entire file data was sent to printer." ]
    else
        reports rejected 'wine_driver: raw result=false' || return 1
        [ "$(tail -c 1 "$out/rejected.stdout" | hex_of)" != 0a ] || { echo "  it ends with a line end"; return 1; }
        [[ $last =~ ^(erro\ ao\ iniciar\ StartDocPrinter|WritePrinter\ abort\ error|EndPagePrinter\ abort\ error|EndDocPrinter\ abort\ error):\ [0-9]+$ ]]
    fi
}
check "refusing queue: three debug lines, then a failing step and its code (or wine's success)" rejected_ok
check "refusing queue: no job left in the scheduler" jobs_unchanged "$jobs_before"
check "refusing queue: nothing captured" [ "$(job_files rejeita)" = "$files_before" ]

# --- the same texts as the Linux build ---------------------------------------
# A receipt with a line end, CR LF, ESC @, accented Latin-1 letters, a zero
# byte (the debug lines stop there) and more text after it.
echo "== the same successful print from Windows and from Linux"
receipt_hex=$(printf 'Recibo 12\r\nTotal: 3,50\n\033@\347\343o' | hex_of)00$(printf 'fim\n' | hex_of)
printf "$(echo "$receipt_hex" | sed 's/../\\x&/g')" >"$out/receipt.bin"
files_before=$(job_files recibo)
run_windows receipt raw recibo "$receipt_hex"
wait_jobs recibo $(($(printf '%s\n' "$files_before" | count_lines) + 1))
run_linux receipt-linux raw recibo "$receipt_hex"
wait_jobs recibo $(($(printf '%s\n' "$files_before" | count_lines) + 2))
{ debug_lines "$(printf 'Recibo 12\r\nTotal: 3,50\n\033@\347\343o')" recibo; echo "$success_text"; } \
    >"$out/receipt.expected"
check "receipt: result true on Windows and on Linux" \
    eval "reports receipt 'wine_driver: raw result=true' && reports receipt-linux 'wine_driver: raw result=true'"
check "receipt: the Windows text is the expected one" same_bytes "$out/receipt.expected" "$out/receipt.stdout"
check "receipt: Windows and Linux write byte-identical texts" \
    same_bytes "$out/receipt.stdout" "$out/receipt-linux.stdout"
new_files=$(new_lines "$files_before" "$(job_files recibo)")
both_jobs_ok() {
    local file count=0
    for file in $new_files; do
        same_bytes "$out/receipt.bin" "$ORVANE_CUPS_DIR/jobs/recibo/$file" || return 1
        count=$((count + 1))
    done
    [ $count -eq 2 ] || { echo "  $count new job(s), expected 2"; return 1; }
}
check "receipt: both jobs arrive byte for byte" both_jobs_ok

# --- the direct-port writer --------------------------------------------------
# Windows' C runtime in text mode against the Linux writer: the same input
# must give the same bytes (LF as CR LF, zero bytes and 80..FF kept).
echo "== the direct-port writer, Windows text mode against Linux"
port_hex=$(printf 'linha 1\nlinha 2\r\n' | hex_of)00${all_hex}$(printf '\n\032fim\n' | hex_of)
run_windows port port "Z:$out/port-windows.bin" "$port_hex"
run_linux port-linux port "$out/port-linux.bin" "$port_hex"
check "direct port: Windows opened, wrote and closed" \
    reports port 'wine_driver: port open=true write=true close=true'
check "direct port: Linux opened, wrote and closed" \
    reports port-linux 'wine_driver: port open=true write=true close=true'
check "direct port: Windows and Linux write the same bytes" \
    same_bytes "$out/port-windows.bin" "$out/port-linux.bin"
# What both must be: every LF preceded by a CR, nothing else changed.
expected_port_hex=$(echo "$port_hex" | sed 's/../& /g' | sed 's/0a /0d 0a /g' | tr -d ' ')
check "direct port: every LF as CR LF, zero bytes and 80..FF kept" \
    [ "$(hex_of <"$out/port-windows.bin")" = "$expected_port_hex" ]

summary
