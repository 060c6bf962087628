#!/bin/bash
# The real program, end to end, in a real X server against the private
# scheduler: one row of the table below is one run, answered with xdotool
# the way an operator would.
#
#   e2e.sh linux ORVANE_BINARY
#   e2e.sh windows ORVANE_FOLDER      (build-windows/Orvane, run under wine)
#
# Columns:
#   name    what the row shows
#   on      linux, windows or both; "installed": run by the Windows
#           program that the installer put in place; ",heavy": a row of a
#           minute, left out when ORVANE_E2E_LIGHT is set
#   file    the argument: a sample of make_file, or "none" for no argument
#   config  config.ini beside the program, lines joined by ";" ("-": none).
#           @Q is the row's own capture queue, @PORT its direct-write file.
#           Without an impressora line the row's queue is the printer.
#   action  what happens after start-up: "press" (Return on the window),
#           "delete-queue,press", "reject-queue,press", "scheduler-stops,press"
#           (the row's own scheduler stops), or "-" when no window
#           is expected; "read-only-folder,press" closes the program's folder
#           to writes first
#   jobs    what the row's queue receives, in order, joined by ";": the
#           bytes in hex, or page:PAGES:TEXT for a page job (PAGES "*" for
#           any); port:HEX is what the direct-write file holds; "-": nothing
#           at all, and nothing held in the queue
#   box     the message box the operator sees: ARQUIVO, IMPRESSORA or "-".
#           After IMPRESSORA the window must still be there; the operator
#           closes it.
#   exit    the program's exit status
#   saved   checks of config.ini afterwards (key=value, keys=COUNT; with
#           "user:" the one in the user's configuration folder) and of what
#           the program wrote (says:TEXT, !says:TEXT), joined by ";"
set -u
. "$(dirname "$0")/e2e-lib.sh"

platform=$1
program=$2
cups=$ORVANE_CUPS_DIR

TABLE=$(cat <<'ROWS'
baixo: the worked example, then the cut | both | worked | nivel=baixo;margem_esquerda=2;margem_superior=1;margem_inferior=2;matricial=draft;cortarPapel=epson corte total | press | 1b 78 30 1b 12 0a 20 20 41 42 0a 20 20 43 0a 0a 0a;1b 69 | - | 0 | impressora=@Q;cortarPapel=epson corte total;keys=16;says:Entire file data was sent to printer.
baixo: every byte kept, no cut chosen | both | bytes | nivel=baixo | press | 0a 20 20 63 61 66 e9 00 80 ff 0a 20 20 0a 0a 0a | - | 0 | -
escrita direta: CR LF in the file, the cut to the printer | both | lines | nivel=escrita direta;escrita_direta=@PORT;margem_esquerda=1;margem_superior=0;margem_inferior=1;cortarPapel=bematech corte total | press | port:20 41 0d 0a 20 42 0d 0a 20 0d 0a 0d 0a;1b 77 | - | 0 | escrita_direta=@PORT
medio: a page with the text | both | receipt | nivel=medio;cortarPapel=samsung corte parcial | press | page:*:PADARIA SÃO JOÃO;1b 6d | - | 0 | -
alto: a page with the text | both | receipt | nivel=alto;fonte=Arial;fonte_negrito=true;tamanho_fonte=14;cortarPapel=samsung corte parcial | press | page:*:Pão francês;1b 6d | - | 0 | -
no printer chosen | both | lines | impressora=;nivel=baixo;cortarPapel=epson corte total | press | - | IMPRESSORA | 0 | !says:debug (printerName)
baixo: printer deleted after start-up | both | lines | nivel=baixo;cortarPapel=epson corte total | delete-queue,press | - | IMPRESSORA | 0 | -
medio: printer deleted after start-up | linux | lines | nivel=medio;cortarPapel=epson corte total | delete-queue,press | - | IMPRESSORA | 0 | -
baixo: a queue that rejects jobs | linux | lines | nivel=baixo;cortarPapel=epson corte total | reject-queue,press | - | IMPRESSORA | 0 | says:erro ao iniciar StartDocPrinter:
medio: a queue that rejects jobs after start-up | linux | lines | nivel=medio;cortarPapel=epson corte total | reject-queue,press | - | IMPRESSORA | 0 | -
alto: a queue that rejects jobs after start-up | linux | lines | nivel=alto;cortarPapel=epson corte total | reject-queue,press | - | IMPRESSORA | 0 | -
alto: printer deleted after start-up | linux | lines | nivel=alto;cortarPapel=epson corte total | delete-queue,press | - | IMPRESSORA | 0 | -
medio: the scheduler stopped after start-up | linux | lines | nivel=medio;cortarPapel=epson corte total | scheduler-stops,press | - | IMPRESSORA | 0 | -
alto: the scheduler stopped after start-up | linux | lines | nivel=alto;cortarPapel=epson corte total | scheduler-stops,press | - | IMPRESSORA | 0 | -
medio: the dot-matrix report on 7 pages | linux | report | nivel=medio | press | page:7:RELATORIO DE ESTOQUE - FERRAGENS CENTRAL | - | 0 | -
alto: a 2,500-line report on 25 pages | linux | report2500 | nivel=alto | press | page:25:002500 PARAFUSO SEXTAVADO 2500 | - | 0 | -
alto: only markup, a table left open | linux | table-open | nivel=alto | press | page:1:a | - | 0 | -
medio: only markup, 10,000 <b> | linux | bold-tags | nivel=medio | press | page:7:<b><b> | - | 0 | -
alto: only markup, 10,000 <b> | linux | bold-tags | nivel=alto | press | page:1: | - | 0 | -
medio: one 10 MB line | linux,heavy | one-line | nivel=medio | press | page:*:0123456789ABCDEF | - | 0 | -
alto: one 10 MB line | linux,heavy | one-line | nivel=alto | press | page:*:0123456789ABCDEF | - | 0 | -
medio: 50 MB | linux,heavy | fifty-mb | nivel=medio | press | page:*:PARAFUSO | - | 0 | -
alto: 50 MB | linux,heavy | fifty-mb | nivel=alto | press | page:*:PARAFUSO | - | 0 | -
no argument | both | none | margem_geral=42;nivel=medio;extra=mantido | - | - | ARQUIVO | 1 | keys=17;margem_geral=42;nivel=medio;extra=mantido
a missing file | both | missing | margem_geral=42;nivel=medio | - | - | ARQUIVO | 1 | keys=16;margem_geral=42;nivel=medio
a directory | both | folder | nivel=medio | - | - | ARQUIVO | 1 | nivel=medio
no config.ini: created with the defaults | both | missing | - | - | - | ARQUIVO | 1 | keys=16;nivel=baixo;escrita_direta=LPT1;margem_esquerda=2
a name with spaces and accents | both | accented-name | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | press | 4e ba 20 31 0a 0a;1b 69 | - | 0 | -
a name in another encoding than the locale's | linux | latin1-name | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0 | press | 4e ba 20 31 0a 0a | - | 0 | -
the installed program: the worked example | installed | worked | nivel=baixo;margem_esquerda=2;margem_superior=1;margem_inferior=2;matricial=draft;cortarPapel=epson corte total | press | 1b 78 30 1b 12 0a 20 20 41 42 0a 20 20 43 0a 0a 0a;1b 69 | - | 0 | keys=16
a read-only program folder: the settings go to the user's folder | both | worked | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0;cortarPapel=epson corte total | read-only-folder,press | 41 42 0a 43 0a;1b 69 | - | 0 | keys=6;user:keys=16;user:impressora=@Q;user:cortarPapel=epson corte total
a Windows-1252 file: bytes unchanged | both | cp1252 | nivel=baixo;margem_esquerda=0;margem_superior=0;margem_inferior=0 | press | 50 e3 6f 20 80 20 35 2c 30 30 0a 0a | - | 0 | -
ROWS
)

# --- the platform ----------------------------------------------------------
case $platform in
    linux)
        install_program() { cp "$program" "$1/orvane"; }
        native_path() { printf '%s' "$1"; }
        run_program() { XDG_CONFIG_HOME=$E2E_TMP/user-config exec "$1/orvane" "${@:2}"; }
        user_config=$E2E_TMP/user-config/orvane/config.ini
        ;;
    windows)
        export WINEPREFIX=$E2E_WORK/wineprefix WINEDEBUG=-all
        # No Mono or Gecko installer, no menu entries in the user's home.
        export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
        wine_ready || { check "a wine prefix in $WINEPREFIX" false; checks_summary; exit 1; }
        trap 'timeout 30 wineserver -k 2>/dev/null; e2e_cleanup' EXIT
        install_program() { cp -r "$program"/. "$1/"; }
        native_path() { printf 'Z:%s' "${1//\//\\}"; }
        run_program() { exec wine "$1/orvane.exe" "${@:2}"; }
        user_config=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Orvane/config.ini
        ;;
    *) echo "usage: $0 linux BINARY | windows FOLDER" >&2; exit 2 ;;
esac

# Lines of 41 bytes, as a report has them.
report_lines() { # COUNT
    awk -v n="$1" 'BEGIN { for (i = 1; i <= n; i++) printf "%06d PARAFUSO SEXTAVADO %04d R$ %6.2f\n", i % 1000000, i % 5000, (i * 0.37) % 1000 }'
}

# The samples a row can name. Prints the path, in this platform's form.
samples=$E2E_TMP/samples
mkdir -p "$samples/pasta"
make_file() { # SAMPLE
    local path
    case $1 in
        worked) path=$samples/worked.txt; printf 'AB\r\nC' >"$path" ;;
        bytes) path=$samples/bytes.txt; printf 'caf\xe9\x00\x80\xff\n' >"$path" ;;
        lines) path=$samples/lines.txt; printf 'A\nB\n' >"$path" ;;
        receipt) path=$samples/receipt.txt
                 printf 'PADARIA SÃO JOÃO\nPão francês   7,50\n' >"$path" ;;
        cp1252) path=$samples/cp1252.txt; printf 'P\xe3o \x80 5,00\n' >"$path" ;;
        accented-name) path=$samples/"Cupom Nº 1.txt"; printf 'N\xba 1\n' >"$path" ;;
        latin1-name) path=$samples/$(printf 'Cupom N\xba 1.txt'); printf 'N\xba 1\n' >"$path" ;;
        report) path=$ORVANE_EXAMPLES/relatorio-matricial.txt ;;
        report2500) path=$samples/report2500.txt
                    report_lines 2500 >"$path" ;;
        table-open) path=$samples/table-open.txt; printf '<table>\n<tr><td>a\n<td>b\n<tr><td>c' >"$path" ;;
        bold-tags) path=$samples/bold-tags.txt; { printf '<b>%.0s' $(seq 10000); echo; } >"$path" ;;
        one-line) path=$samples/one-line.txt; head -c 10485760 /dev/zero | tr '\0' 'x' | sed 's/x\{16\}/0123456789ABCDEF/g' >"$path" ;;
        fifty-mb) path=$samples/fifty-mb.txt; report_lines 1280000 >"$path" ;;
        missing) path=$samples/nao-existe.txt ;;
        folder) path=$samples/pasta ;;
        *) echo "no sample $1" >&2; return 1 ;;
    esac
    native_path "$path"
}

# --- one row -----------------------------------------------------------------
# config.ini text of a row, @Q and @PORT filled in.
config_text() { # CONFIG QUEUE PORT
    local text=${1//;/$'\n'}
    text=${text//@Q/"$2"}
    text=${text//@PORT/"$3"}
    [[ $1 == *impressora=* ]] || text="impressora=$2"$'\n'"$text"
    printf '[geral]\n%s\n' "$text"
}

# Jobs and port of a row, against its expectation.
check_output() { # NAME EXPECTED QUEUE PORT_FILE
    local name=$1 queue=$3 port=$4 entry jobs=() n
    IFS=';' read -ra entries <<<"$2"
    for entry in "${entries[@]}"; do
        case $entry in
            -) ;;
            port:*) check "$name: the direct-write file" equals "$(hex_of "$port")" "${entry#port:}" ;;
            *) jobs+=("$entry") ;;
        esac
    done
    if [ ${#jobs[@]} -eq 0 ]; then
        sleep 0.5
        check "$name: no job" equals "$(job_count "$queue")" 0
        check "$name: nothing held in the queue" equals "$(cups_private pending "$cups" "$queue" 2>/dev/null || echo 0)" 0
        return
    fi
    check "$name: ${#jobs[@]} job(s)" cups_private wait-job "$cups" "$queue" ${#jobs[@]} 30
    sleep 0.3
    check "$name: no other job" equals "$(job_count "$queue")" ${#jobs[@]}
    for n in "${!jobs[@]}"; do
        entry=${jobs[$n]}
        case $entry in
            page:*) check "$name: job $((n + 1)) is the page" page_job "$(job "$queue" $((n + 1)))" "$entry" ;;
            *) check "$name: job $((n + 1))" equals "$(hex_of "$(job "$queue" $((n + 1)))")" "$entry" ;;
        esac
    done
}

check_saved() { # NAME CHECKS DIR QUEUE PORT
    local name=$1 dir=$3 item key value
    IFS=';' read -ra items <<<"$2"
    for item in "${items[@]}"; do
        case $item in
            -) ;;
            says:*) check "$name: says '${item#says:}'" grep -qF -- "${item#says:}" "$dir/stdout" "$dir/stderr" ;;
            '!says:'*) check "$name: does not say '${item#!says:}'" bash -c '! grep -qF -- "$0" "$1" "$2"' "${item#!says:}" "$dir/stdout" "$dir/stderr" ;;
            keys=*) check "$name: config.ini has ${item#keys=} keys" equals "$(ini_key_count "$dir/config.ini")" "${item#keys=}" ;;
            user:keys=*) check "$name: the user's config.ini has ${item#user:keys=} keys" equals "$(ini_key_count "$user_config")" "${item#user:keys=}" ;;
            user:*)
                key=${item#user:}
                key=${key//@Q/"$4"}
                check "$name: saved ${key%%=*} in the user's config.ini" equals "$(ini_value "$user_config" "${key%%=*}")" "${key#*=}"
                ;;
            *)
                key=${item%%=*}
                value=${item#*=}
                value=${value//@Q/"$4"}
                value=${value//@PORT/"$5"}
                check "$name: saved $key" equals "$(ini_value "$dir/config.ini" "$key")" "$value"
                ;;
        esac
    done
}

run_row() { # NAME FILE CONFIG ACTION JOBS BOX EXIT SAVED
    local name=$1 row_id queue dir port file window box= seen=- args=()
    ROW=$((ROW + 1))
    row_id=$(printf 'row%02d' "$ROW")
    queue=e2e-$platform-$row_id
    dir=${RUN_IN:-$E2E_TMP/$row_id}
    mkdir -p "$dir"
    [ -n "${RUN_IN:-}" ] || install_program "$dir"
    # A row whose scheduler stops has one of its own.
    local cups=$ORVANE_CUPS_DIR ORVANE_CUPS_DIR=$ORVANE_CUPS_DIR
    local -x CUPS_SERVER=$CUPS_SERVER
    if [[ $4 == scheduler-stops,* ]]; then
        cups=$E2E_TMP/$row_id-cups
        ORVANE_CUPS_DIR=$cups
        cups_private start "$cups" 2>/dev/null
        CUPS_SERVER=$(cups_private server "$cups")
    fi
    cups_private add-queue "$cups" "$queue"
    port=$(native_path "$dir/porta de saida.prn")
    # As config.ini holds it: the INI format doubles a backslash.
    port=${port//\\/\\\\}
    printf 'conteudo antigo\n' >"$dir/porta de saida.prn"
    [ "$3" = - ] || config_text "$3" "$queue" "$port" >"$dir/config.ini"
    [ "$2" = none ] || args=("$(make_file "$2")")
    rm -f "$user_config"
    : >"$dir/stdout"
    : >"$dir/stderr"
    # Immutable: not even root may change them.
    [[ $4 == read-only-folder,* ]] && chattr +i "$dir" "$dir/config.ini"

    (cd "$dir" && run_program "$dir" "${args[@]}") >"$dir/stdout" 2>"$dir/stderr" &
    local pid=$!
    E2E_PIDS+=("$pid")
    window=$(e2e_find_window '^(Orvane|ARQUIVO)$' 60)
    if [ -n "$window" ] && [ "$(xdotool getwindowname "$window")" = Orvane ]; then
        [ "$ROW" -eq 1 ] && e2e_screenshot "$E2E_OUT/$platform-window.png"
        case $4 in
            delete-queue,*) lpadmin -x "$queue" ;;
            reject-queue,*) cupsreject "$queue" ;;
            scheduler-stops,*) cups_private stop "$cups" 2>/dev/null ;;
        esac
        e2e_press_return "$window"
        box=$(e2e_wait_box_or_exit "$pid" IMPRESSORA 120)
        if [ -n "$box" ]; then
            seen=IMPRESSORA
            e2e_press_return "$box"
            check "$name: the window stays after the message" e2e_window_still_there "$window"
            e2e_close_window "$window"
        fi
    elif [ -n "$window" ]; then
        seen=ARQUIVO
        check "$name: the main window is not shown" e2e_no_window_named Orvane
        e2e_press_return "$window"
    fi
    e2e_wait_exit "$pid" 120
    chattr -i "$dir" "$dir/config.ini" 2>/dev/null
    # Back up, it tells what it holds.
    [[ $4 == scheduler-stops,* ]] && cups_private start "$cups" 2>/dev/null && CUPS_SERVER=$(cups_private server "$cups")

    check "$name: message box" equals "$seen" "$6"
    check "$name: exit status" equals "$E2E_STATUS" "$7"
    check_output "$name" "$5" "$queue" "$dir/porta de saida.prn"
    check_saved "$name" "$8" "$dir" "$queue" "$port"
    case $4 in
        delete-queue,*) ;;
        scheduler-stops,*) cups_private stop "$cups" 2>/dev/null ;;
        *) lpadmin -x "$queue" ;;
    esac
}

run_rows() { # ON: "installed", or the rows for this platform and both
    local name on file config action jobs box status saved
    while IFS='|' read -r name on file config action jobs box status saved; do
        name=$(trim "$name")
        on=$(trim "$on")
        # Rows that take a minute are left to the runs that are not slowed
        # down by sanitizers.
        if [[ $on == *,heavy ]]; then
            [ -z "${ORVANE_E2E_LIGHT:-}" ] || continue
            on=${on%,heavy}
        fi
        [ -n "$name" ] && { [ "$on" = "$1" ] || [ "$on" = both -a "$1" != installed ]; } || continue
        run_row "$name" "$(trim "$file")" "$(trim "$config")" "$(trim "$action")" "$(trim "$jobs")" \
            "$(trim "$box")" "$(trim "$status")" "$(trim "$saved")"
    done <<<"$TABLE"
}

ROW=0
run_rows "$platform"

# The installer: silent, per user; the installed program runs the rows
# marked "installed"; the uninstaller takes the program and keeps config.ini.
if [ "$platform" = windows ]; then
    setup=$(ls "$program"/../orvane-*-setup.exe 2>/dev/null | head -n 1)
    installed=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Orvane
    menu=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs
    check "installer: there is one" test -n "$setup"
    timeout 120 wine "$setup" /S && timeout 60 wineserver -w
    check "installer: the program in %LOCALAPPDATA%\\Programs\\Orvane" test -f "$installed/orvane.exe"
    check "installer: its plugins beside it" test -f "$installed/platforms/qwindows.dll"
    check "installer: a Start-menu entry" test -f "$menu/Orvane.lnk"
    RUN_IN=$installed run_rows installed
    timeout 120 wine "$installed/uninstall.exe" /S && timeout 60 wineserver -w
    check "uninstaller: the program is gone" test ! -e "$installed/orvane.exe" -a ! -e "$installed/platforms"
    check "uninstaller: the Start-menu entry is gone" test ! -e "$menu/Orvane.lnk"
    check "uninstaller: config.ini is kept" test -f "$installed/config.ini"
    timeout 120 wine "$setup" /S && timeout 60 wineserver -w
    timeout 120 wine "$installed/uninstall.exe" /S /REMOVERCONFIG && timeout 60 wineserver -w
    check "uninstaller /REMOVERCONFIG: config.ini goes too" test ! -e "$installed/config.ini" -a ! -e "$installed/orvane.exe"
fi

checks_summary
