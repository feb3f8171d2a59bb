# Shared by the end-to-end scripts: how the tool is run and how its outputs
# are read. Source it, then call e2e_init TOOL SHIM [SHIM_TOOL]: SHIM_TOOL is
# the same program linked against a shared NSPR, which the fault shim can
# stand in front of (TOOL itself by default).
#
# Name lookups are hermetic: every run happens in one private network and
# mount namespace, made for the suite, whose /etc/hosts is $HOSTS and whose
# only name server is the suite's own dnsmasq on 127.0.0.1:53 (process $NS,
# its log $WORK/server.log), answering from the data below and NXDOMAIN for
# any other name. Where that cannot be made, HERMETIC is 0 and runs happen
# directly; callers skip what needs a lookup.
#
# TRALVINEX_RUNNER, when set, is put before the tool on every command line
# (valgrind, an emulator, ...). TRALVINEX_WINDOWS=1 says the tool is the
# Windows build (run under Wine): WINDOWS is then 1.

e2e_init() {
    TOOL=$1
    SHIM=$2
    SHIM_TOOL=${3:-$1}
    WORK=$(mktemp -d)
    OUT=$WORK/run
    BANNER=$(printf '*%.0s' $(seq 80))
    ZERO24=$(printf '00%.0s' $(seq 24))
    read -r -a RUNNER <<<"${TRALVINEX_RUNNER:-}"
    WINDOWS=${TRALVINEX_WINDOWS:-0}
    RESOLVER_TIMEOUT=1

    ETC=$WORK/etc
    mkdir "$ETC"
    HOSTS=$ETC/hosts
    printf '127.0.0.1 localhost\n10.9.8.7 testhost.example\n192.0.2.44 other.example\n' >"$HOSTS"
    printf 'nameserver 127.0.0.1\noptions timeout:%d attempts:1\n' "$RESOLVER_TIMEOUT" >"$ETC/resolv.conf"
    printf 'hosts: files dns\n' >"$ETC/nsswitch.conf"
    # The name server's names: alias.example, a CNAME of target.example;
    # many.example with 4094 addresses, as many as one reply (over TCP) can
    # carry: 12 + 18 + 4094 * 16 of its 65535 bytes; v6only.example with an
    # IPv6 address alone; names in other scripts under their A-labels.
    echo 192.0.2.77 >"$ETC/target.addresses"
    for i in $(seq 4094); do echo "10.77.$((i / 256)).$((i % 256))"; done >"$ETC/many.addresses"
    { sed 's/$/ target.example/' "$ETC/target.addresses"
      sed 's/$/ many.example/' "$ETC/many.addresses"
      printf '192.0.2.%s\n' '81 xn--bcher-kva.example' '82 xn--eckwd4c7c.xn--zckzah' \
          '83 xn--mgbh0fb.xn--kgbechtv' '84 xn--e1afmkfd.xn--80akhbyknj4f' '85 xn--fa-hia.de'
    } >"$ETC/dns-hosts"

    # The namespace lives as long as the name server, which is started in it
    # (exec'ed, so $NS is its process id); runs enter it.
    HERMETIC=0
    ISOLATE=()
    unshare -n -m --propagation private sh -c '
        for f in hosts resolv.conf nsswitch.conf; do mount --bind "$0/$f" "/etc/$f" || exit; done
        ip link set lo up && exec dnsmasq --keep-in-foreground --conf-file=/dev/null --pid-file= \
            --user=root --log-facility=- --log-queries --listen-address=127.0.0.1 --bind-interfaces \
            --no-resolv --no-hosts --local=/#/ --addn-hosts="$0/dns-hosts" \
            --cname=alias.example,target.example --host-record=v6only.example,2001:db8::6' \
        "$ETC" 2>"$WORK/server.log" &
    NS=$!
    disown "$NS"
    trap 'kill -KILL "$NS" 2>/dev/null; rm -rf "$WORK"' EXIT
    for _ in $(seq 100); do
        kill -0 "$NS" 2>/dev/null || break
        if nsenter -t "$NS" -n -m getent hosts target.example >/dev/null 2>&1; then
            HERMETIC=1
            ISOLATE=(nsenter -t "$NS" -n -m)
            break
        fi
        sleep 0.1
    done
    if [ "$HERMETIC" = 0 ]; then
        echo "note: cannot make a private network with its own name server (needs root, unshare,"
        echo "      ip and dnsmasq); cases that resolve names are skipped"
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
