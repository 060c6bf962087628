# What the end-to-end scripts share: counted checks, a scratch folder, and
# readers of what the program left behind (config.ini, captured jobs).
# Sourced; needs DISPLAY, CUPS_SERVER and ORVANE_CUPS_DIR from the fixtures.

. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/window-driver.sh"

CHECKS_PASSED=0
CHECKS_FAILED=0
check() { # NAME COMMAND...: PASS or FAIL!, counted
    local name=$1
    shift
    if "$@"; then
        CHECKS_PASSED=$((CHECKS_PASSED + 1))
        echo "PASS   : $name"
    else
        CHECKS_FAILED=$((CHECKS_FAILED + 1))
        echo "FAIL!  : $name"
        # For runs that only ask whether anything fails.
        [ -z "${ORVANE_E2E_FAIL_FAST:-}" ] || { checks_summary; exit 1; }
        return 1
    fi
}
equals() { [ "$1" = "$2" ] || { echo "         expected [$2], got [$1]" >&2; return 1; }; }
checks_summary() { # the closing line; true only when something passed and nothing failed
    echo "$CHECKS_PASSED passed, $CHECKS_FAILED failed"
    [ "$CHECKS_FAILED" -eq 0 ] && [ "$CHECKS_PASSED" -gt 0 ]
}

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/orvane-e2e.XXXXXX") && chmod 0755 "$E2E_TMP" # for "nobody" too
E2E_PIDS=()
e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill -9 "$pid" 2>/dev/null
    done
    [ -n "${E2E_KEEP:-}" ] || rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT
# What outlives a run (the wine prefix, screenshots): the test's build folder.
E2E_WORK=${ORVANE_E2E_WORK:-$E2E_TMP}

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; printf '%s' "${s%"${s##*[![:space:]]}"}"; }

# The value of KEY in section geral, and how many keys it holds, as Qt
# wrote them (with CR LF line ends on Windows).
ini_value() { # FILE KEY
    awk -F= -v key="$2" '{sub(/\r$/, "")} /^\[/{section=$0} section=="[geral]" && $1==key {sub(/^[^=]*=/, ""); print; exit}' "$1"
}
ini_key_count() { # FILE
    awk '{sub(/\r$/, "")} /^\[/{section=$0; next} section=="[geral]" && /=/{n++} END{print n+0}' "$1"
}

cups_private() { bash "$ORVANE_CUPS_SCRIPT" "$@"; }
jobs_of() { find "$ORVANE_CUPS_DIR/jobs/$1" -name 'job-*.bin' 2>/dev/null | sort -V; } # QUEUE, oldest first
job() { jobs_of "$1" | sed -n "${2}p"; }  # QUEUE N: the N-th job file (1-based)
job_count() { jobs_of "$1" | wc -l; }     # QUEUE
hex_of() { od -An -v -t x1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }

# What the program sends at level "baixo" with the default margins 2, 1
# and 2: carriage returns dropped while reading, every line framed.
framed() { # FILE
    perl -0777 -ne 's/\r//g; my @l = split /\n/, $_, -1; @l = ("") unless @l;
                   print "\n", (map { "  $_\n" } @l), "\n\n"' "$1"
}

# A page job: a PDF whose text holds TEXT (Linux), or wine's PostScript,
# whose embedded fonts carry no text to read back; PAGES pages, or any
# number for "*"; with "$" after PAGES, TEXT is on the last page. The
# counts are those of the Qt 5 build the shops run; Qt 6 lays text out a
# little differently.
page_job() { # FILE page:PAGES:TEXT
    local file=$1 spec=${2#page:} pages text count first=1
    pages=${spec%%:*}
    text=${spec#*:}
    if [ "$(head -c 5 "$file")" = %PDF- ]; then
        count=$(pdfinfo "$file" 2>/dev/null | awk '/^Pages:/ {print $2}')
        [[ $pages == *'$' ]] && first=${count:-1}
        pdftotext -f "$first" -layout "$file" - 2>/dev/null | grep -qF -- "$text" ||
            { echo "  pages $first to $count do not hold '$text'" >&2; return 1; }
    elif [ "$(head -c 4 "$file")" = '%!PS' ]; then
        count=$(sed -n 's/^%%Pages: *\([0-9][0-9]*\).*/\1/p' "$file" | tail -n 1)
    else
        echo "  $file is neither PDF nor PostScript" >&2
        return 1
    fi
    pages=${pages%'$'}
    if [ "$pages" = '*' ] || [ "${ORVANE_QT_MAJOR:-5}" != 5 ]; then
        [ "${count:-0}" -ge 1 ]
    else
        equals "$count" "$pages"
    fi
}

# A wine prefix of the tests' own, made once (about 12 s).
wine_ready() {
    [ -e "$WINEPREFIX/.orvane-ready" ] && return 0
    rm -rf "$WINEPREFIX"
    timeout 300 wineboot --init >/dev/null 2>&1 && timeout 300 wineserver -w &&
        [ -f "$WINEPREFIX/system.reg" ] && touch "$WINEPREFIX/.orvane-ready"
}
