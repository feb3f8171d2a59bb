# Shared by the end-to-end scripts: how the tool is run and how its outputs
# are read. Source it, then call e2e_init TOOL SHIM [SHIM_TOOL]: SHIM_TOOL is
# the same program linked against a shared NSPR, which the fault shim can
# stand in front of (TOOL itself by default).
#
# Name lookups are hermetic: every run happens in a private network and mount
# namespace whose /etc/hosts is $HOSTS. Where namespaces are refused, HERMETIC
# is 0 and runs happen directly; callers skip what needs a lookup.
#
# TRALVINEX_RUNNER, when set, is put before the tool on every command line
# (valgrind, an emulator, ...). TRALVINEX_WINDOWS=1 says the tool is the
# Windows build (run under Wine): WINDOWS is then 1.

e2e_init() {
    TOOL=$1
    SHIM=$2
    SHIM_TOOL=${3:-$1}
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
    OUT=$WORK/run
    BANNER=$(printf '*%.0s' $(seq 80))
    ZERO24=$(printf '00%.0s' $(seq 24))
    read -r -a RUNNER <<<"${TRALVINEX_RUNNER:-}"
    WINDOWS=${TRALVINEX_WINDOWS:-0}

    HOSTS=$WORK/hosts
    printf '127.0.0.1 localhost\n10.9.8.7 testhost.example\n192.0.2.44 other.example\n' >"$HOSTS"

    # What goes before a command to run it with no network and $HOSTS as its
    # /etc/hosts; the command is exec'ed, so it keeps the process id.
    HERMETIC=0
    ISOLATE=()
    if unshare -n -m --propagation private sh -c 'mount --bind "$0" /etc/hosts' "$HOSTS" \
        2>/dev/null; then
        HERMETIC=1
        ISOLATE=(unshare -n -m --propagation private
            sh -c 'mount --bind "$0" /etc/hosts && exec "$@"' "$HOSTS")
    else
        echo "note: cannot make a private network and hosts file (needs root and unshare);"
        echo "      cases that resolve names are skipped"
    fi
}

# launch [VAR=value ...] -- ARGS...: starts the tool in the background with
# the console going to $OUT.stdout and $OUT.stderr; sets PID, which is also
# the tool's thread id and so names its log.
launch() {
    local envs=()
    while [ "$1" != -- ]; do envs+=("$1"); shift; done
    shift
    "${ISOLATE[@]}" env "${envs[@]}" "${RUNNER[@]}" "$TOOL" "$@" \
        </dev/null >"$OUT.stdout" 2>"$OUT.stderr" &
    PID=$!
}

# run [VAR=value ...] -- ARGS...: runs the tool to its end; sets RC (0-255),
# and RUN_LOG and RUN_LOG_FROM to the trace log in $LOGS that the run wrote
# and the offset where its lines begin ("" when it wrote none). The log is
# found by what grew, not by name: a Windows thread id is no process id, and
# successive runs may share one.
run() {
    local before after name size old
    before=$(log_sizes)
    launch "$@"
    wait "$PID"
    RC=$?
    RUN_LOG=""
    RUN_LOG_FROM=0
    after=$(log_sizes)
    while read -r name size; do
        [ -n "$name" ] || continue
        old=$(awk -v n="$name" '$1 == n { print $2 }' <<<"$before")
        [ "$size" != "$old" ] || continue
        RUN_LOG=$LOGS/$name
        # shorter than before: the purge deleted it and the run began it anew
        if [ -n "$old" ] && [ "$size" -gt "$old" ]; then RUN_LOG_FROM=$old; fi
    done <<<"$after"
}

log_sizes() {
    [ -d "${LOGS:-}" ] || return 0
    find "$LOGS" -maxdepth 1 -type f -name 'Tralvinex*.log' -printf '%f %s\n' | sort
}

# run_shimmed [VAR=value ...] -- ARGS...: the same with the fault shim loaded.
run_shimmed() { TOOL=$SHIM_TOOL run LD_PRELOAD="$SHIM" "$@"; }

# The status of an NSPR code (or -1) as a POSIX shell sees it.
st() { echo $(( $1 & 255 )); }

hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }

# record PORT A.B.C.D: the expected 32 bytes in hex.
record() {
    local IFS=.
    set -- $1 $2
    printf '0200%04x%02x%02x%02x%02x%s' "$1" "$2" "$3" "$4" "$5" "$ZERO24"
}

# The messages of a log file, one per line; a line not in the form
# "MM/DD/YYYY hh:mm:ss.mmm<TAB>text<CR><LF>" shows as "MALFORMED: ...".
log_messages() {
    LC_ALL=C sed -E -n \
        -e 's/^[0-9]{2}\/[0-9]{2}\/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}\t(.*)\r$/\1/p; t' \
        -e 's/^/MALFORMED: /p' "$1"
    # a last line without its line end
    [ ! -s "$1" ] || [ "$(tail -c 1 "$1" | od -An -tx1 | tr -d ' ')" = 0a ] || echo "MALFORMED: unended last line"
}

# Every file under a directory with its size and modification time, and
# every directory by name (their times change with any entry).
snapshot() { find "$1" \( -type d -printf '%p/\n' \) -o -printf '%p %s %T@\n' | sort; }

# check WHAT CMD...: counts an assertion as held (HELD) or broken (BROKEN),
# naming a broken one after $LABEL.
HELD=0
BROKEN=0
check() {
    local what=$1
    shift
    if "$@"; then
        HELD=$((HELD + 1))
    else
        BROKEN=$((BROKEN + 1))
        echo "FAIL ${LABEL:+$LABEL: }$what"
    fi
}
