#!/bin/bash
# The real program started on a file it cannot open: the "ARQUIVO" message,
# no window left after it, exit status 1, and config.ini written all the same.
#
#   startup-failures.sh ORVANE_BINARY
set -u
. "$(dirname "$0")/e2e-lib.sh"
binary=$1

# name | arguments (as one word list; @DIR@ is the program's folder)
cases=(
    "no argument|"
    "missing file|/nonexistent/cupom.txt"
    "directory|@DIR@"
    "missing file, extra arguments ignored|/nonexistent/a.txt @DIR@/orvane"
)

for row in "${cases[@]}"; do
    name=${row%%|*}
    dir=$(e2e_install "$binary" "case-${name// /-}")
    printf '[geral]\nmargem_geral=42\nnivel=medio\nextra=mantido\n' >"$dir/config.ini"
    args=${row#*|}
    args=${args//@DIR@/$dir}
    # shellcheck disable=SC2086 # the row's word list is split on purpose
    e2e_start "$dir" $args
    pid=$E2E_PID

    box=$(e2e_window "$pid" ARQUIVO)
    check "$name: the ARQUIVO message shows" test -n "$box"
    check "$name: the main window is not shown" bash -c "[ -z \"\$(xdotool search --all --onlyvisible --pid $pid --name '^Orvane\$')\" ]"
    [ -n "$box" ] && e2e_press_return "$box"
    e2e_wait_exit "$pid"
    check "$name: exit status 1" equals "$E2E_STATUS" 1
    check "$name: no window left" e2e_no_window "$pid"
    check "$name: config.ini has the sixteen keys" equals "$(ini_key_count "$dir/config.ini")" 17
    check "$name: loaded values saved back" equals "$(ini_value "$dir/config.ini" margem_geral)" 42
    check "$name: level saved back" equals "$(ini_value "$dir/config.ini" nivel)" medio
    check "$name: unknown key kept" equals "$(ini_value "$dir/config.ini" extra)" mantido
done

# Without config.ini the exit creates it with every key at its default.
dir=$(e2e_install "$binary" no-config)
e2e_start "$dir" /nonexistent/cupom.txt
pid=$E2E_PID
box=$(e2e_window "$pid" ARQUIVO)
[ -n "$box" ] && e2e_press_return "$box"
e2e_wait_exit "$pid"
check "no config.ini: exit status 1" equals "$E2E_STATUS" 1
check "no config.ini: created with sixteen keys" equals "$(ini_key_count "$dir/config.ini")" 16
check "no config.ini: default level" equals "$(ini_value "$dir/config.ini" nivel)" baixo
check "no config.ini: default port" equals "$(ini_value "$dir/config.ini" escrita_direta)" LPT1

checks_summary
