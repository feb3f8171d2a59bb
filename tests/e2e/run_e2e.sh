#!/usr/bin/env bash
# End-to-end tests of the real binary: exit status, DAT bytes and log lines.
#
# usage: run_e2e.sh TOOL [SHIM SHIM_TOOL]
#
# Without SHIM (the Windows build) the cases that need the fault shim are
# skipped. Where Windows behaves differently a case says so and why.
#
# Each case is a fresh directory, the tool's arguments, and what the run must
# leave: exit status, DAT bytes, log messages, files.
set -u

. "$(dirname "$0")/lib.sh"
e2e_init "$1" "${2:-}" "${3:-}"
ROOT_BEFORE=$(ls -A /)

PASS=0
FAIL=0
SKIP=0
CASE=""

# --- helpers ---------------------------------------------------------------

# new_case NAME [NEED...]: a fresh directory $C with $DAT and $LOGS, or a
# skip when a need is not met: needs-lookup (a private network with the
# suite's hosts file and name server), needs-shim (the fault shim, Linux
# only), linux-only, windows-only, and for the Windows build needs-dll-mark
# (a DLL that marks a file when loaded), needs-no-manifest (the tool built
# without its manifest) and needs-examples (the shipped C caller, built).
new_case() {
    CASE=$1
    C=$WORK/$(printf '%03d' $((PASS + FAIL + SKIP)))
    DAT=$C/out.dat
    LOGS=$C/logs
    OUT=$C.out
    CASE_OK=1
    mkdir -p "$LOGS"
    shift
    local need why=""
    for need in "$@"; do
        case $need in
            needs-lookup) [ "$HERMETIC" = 1 ] || why="no private network" ;;
            needs-shim) [ -n "$SHIM" ] || why="no fault shim for this build" ;;
            linux-only) [ "$WINDOWS" = 0 ] || why="Linux only" ;;
            windows-only) [ "$WINDOWS" = 1 ] || why="Windows only" ;;
            needs-dll-mark) [ -n "${TRALVINEX_DLL_MARK:-}" ] || why="Windows only" ;;
            needs-no-manifest) [ -n "${TRALVINEX_NO_MANIFEST_TOOL:-}" ] || why="Windows build only" ;;
            needs-examples) [ -n "${TRALVINEX_EXAMPLE_CALLER:-}" ] || why="Windows only" ;;
        esac
    done
    if [ -n "$why" ]; then
        echo "SKIP $CASE ($why)"
        SKIP=$((SKIP + 1))
        return 1
    fi
    return 0
}

fail() {
    echo "FAIL $CASE: $*"
    CASE_OK=0
}

expect_status() { [ "$RC" = "$1" ] || fail "exit status $RC, expected $1"; }
expect_dat() { [ -f "$DAT" ] && [ "$(hex "$DAT")" = "$1" ] || fail "DAT is $( [ -f "$DAT" ] && hex "$DAT" || echo missing), expected $1"; }
expect_no_dat() { [ ! -e "$DAT" ] || fail "DAT file was created"; }
expect_no_output() { [ ! -s "$OUT.stdout" ] && [ ! -s "$OUT.stderr" ] || fail "printed on the console"; }

# The messages the last run wrote to its log.
messages() {
    [ -n "$RUN_LOG" ] || return 0
    tail -c +$((RUN_LOG_FROM + 1)) "$RUN_LOG" >"$OUT.log"
    log_messages "$OUT.log"
}

# expect_log LINE...: the run's log holds exactly these messages.
expect_log() {
    local want got
    want=$(printf '%s\n' "$@")
    if [ -z "$RUN_LOG" ]; then
        fail "no log written"
        return
    fi
    # on Linux the main thread's id is the process id
    if [ "$WINDOWS" = 0 ] && [ "$RUN_LOG" != "$LOGS/Tralvinex$PID.log" ]; then
        fail "log is $RUN_LOG, expected Tralvinex$PID.log"
    fi
    got=$(messages)
    if [ "$got" != "$want" ]; then
        fail "log differs:"
        diff <(echo "$want") <(echo "$got") | sed 's/^/    /'
    fi
}

done_case() {
    if [ "$CASE_OK" = 1 ]; then
        echo "ok   $CASE"
        PASS=$((PASS + 1))
    else
        FAIL=$((FAIL + 1))
    fi
}

params_line() { echo "Host=($1), Port=($2), DatFile=($3), LogDir=($4)"; }

head_lines() { echo "$BANNER"; echo "Initializing NSPR..."; params_line "$@"; echo "Resolving hostname..."; }
tail_lines() { echo "Shutting down NSPR..."; echo "Exiting with $1."; echo "$BANNER"; }

# success_log HOST PORT ADDRESS
success_log() {
    mapfile -t LINES < <(head_lines "$1" "$2" "$DAT" "$LOGS"
        echo "Enumerating host entry..."; echo "Enumerated!"; echo "($1) => ($3)"
        tail_lines 0)
    expect_log "${LINES[@]}"
}

# failure_log HOST PORT CODE ERRORLINE STEP... : log of a run that failed
# after the lookup steps named.
failure_log() {
    local host=$1 port=$2 code=$3 errline=$4
    shift 4
    mapfile -t LINES < <(head_lines "$host" "$port" "$DAT" "$LOGS"
        printf '%s\n' "$@"; echo "$errline"; tail_lines "$code")
    expect_log "${LINES[@]}"
}

# run_pid1 ARGS...: runs the tool as pid 1 of a private pid namespace, so
# that its log is Tralvinex1.log (Linux only: a Windows thread id cannot be
# chosen).
run_pid1() {
    timeout -s KILL 30 unshare -p -f "${ISOLATE[@]}" "${RUNNER[@]}" "$TOOL" "$@" </dev/null
    RC=$?
    PID=1
}

# touch_age FILE SECONDS [SIZE]: a file last modified SECONDS ago
touch_age() {
    head -c "${3:-10}" /dev/zero >"$1"
    touch -d "@$(( $(date +%s) - $2 ))" "$1"
}

LOOKUP_ERR='[-5973] [PR_DIRECTORY_LOOKUP_ERROR] [A directory lookup on a network address has failed]'
NOTFOUND_ERR='[-5950] [PR_FILE_NOT_FOUND_ERROR] [File not found]'
NOSPACE_ERR='[-5956] [PR_NO_DEVICE_SPACE_ERROR] [The device for storing the file is full]'
UNKNOWN_ERR='[-5994] [PR_UNKNOWN_ERROR] [Some unknown error has occurred]'
IO_ERR='[-5991] [PR_IO_ERROR] [I/O function error]'

# --- the run and its record ------------------------------------------------

if new_case "fully logged success" needs-lookup; then
    run -- testhost.example 80 9 "$DAT" "$LOGS"
    expect_status 0
    expect_dat "$(record 80 10.9.8.7)"
    expect_no_output
    success_log testhost.example 80 10.9.8.7
    [ "$(stat -c %a "$DAT")" = 644 ] && [ "$(stat -c %a "$RUN_LOG")" = 644 ] ||
        fail "new files are not mode 0666 less the umask 022"
    done_case
fi

# New files get mode 0666 less the umask, under every umask. (Not under
# Wine: its server creates the files, under its own umask.)
for mask in 002 000; do
    if new_case "new files under umask $mask" linux-only; then
        saved=$(umask)
        umask "$mask"
        run -- 10.1.2.3 80 9 "$DAT" "$LOGS"
        umask "$saved"
        want=$(printf '%o' $((0666 & ~0$mask)))
        [ "$(stat -c %a "$DAT")" = "$want" ] && [ "$(stat -c %a "$RUN_LOG")" = "$want" ] ||
            fail "new files are mode $(stat -c %a "$DAT" "$RUN_LOG" | xargs), expected $want"
        done_case
    fi
done

# Port conversion table: argument text, port in the log, port in the record.
# A number has no length limit: 300 zeros before 80 are still 80, and
# after a minus sign -80.
zeros=$(printf '0%.0s' $(seq 300))
while read -r arg port; do
    if new_case "port argument '${arg:0:16}' (${#arg} bytes) gives $port"; then
        run -- 10.1.2.3 "$arg" 9 "$DAT" "$LOGS"
        expect_status 0
        expect_dat "$(record "$port" 10.1.2.3)"
        [ "$(messages | sed -n 3p)" = "$(params_line 10.1.2.3 "$port" "$DAT" "$LOGS")" ] ||
            fail "parameter line: $(messages | sed -n 3p)"
        done_case
    fi
done <<EOF
80 80
${zeros}80 80
-${zeros}80 65456
65535 65535
70000 4464
4294967376 65535
-1 65535
-99999999999 0
+443x 443
abc 0
EOF

if new_case "an existing longer DAT keeps its bytes past the record"; then
    head -c 100 /dev/urandom >"$DAT"
    before=$(hex "$DAT")
    run -- 10.1.2.3 80 0 "$DAT" "$LOGS"
    expect_status 0
    [ "$(hex "$DAT")" = "$(record 80 10.1.2.3)${before:64}" ] || fail "bytes 32-99 changed"
    done_case
fi

if new_case "an existing shorter DAT grows to the record"; then
    printf 'abc' >"$DAT"
    run -- 10.1.2.3 80 0 "$DAT" "$LOGS"
    expect_status 0
    expect_dat "$(record 80 10.1.2.3)"
    done_case
fi

if new_case "six or more arguments behave as five"; then
    run -- 10.1.2.3 80 9 "$DAT" "$LOGS" extra more
    expect_status 0
    expect_dat "$(record 80 10.1.2.3)"
    success_log 10.1.2.3 80 10.1.2.3
    done_case
fi

# --- failures ----------------------------------------------------------------

if new_case "too few arguments touch nothing"; then
    touch_age "$LOGS/Tralvinex1.log" 999999
    before=$(snapshot "$C")
    run -- 10.1.2.3 80 0 "$DAT"
    expect_status 255
    [ "$(snapshot "$C")" = "$before" ] || fail "files were touched"
    run --
    expect_status 255
    done_case
fi

# Names the name server answers: through a CNAME, and with the most addresses
# one reply carries (over TCP; an entry of 48 KB). The record holds the
# address the log shows, one of the name's.
while read -r host addresses; do
    if new_case "$host resolves through the name server" needs-lookup; then
        run -- "$host" 80 9 "$DAT" "$LOGS"
        expect_status 0
        shown=$(messages | sed -n "s/^($host) => (\(.*\))\$/\1/p")
        grep -qxF -e "$shown" "$ETC/$addresses" && expect_dat "$(record 80 "$shown")" ||
            fail "address '$shown' is not the name's"
        success_log "$host" 80 "$shown"
        done_case
    fi
done <<'EOF'
alias.example target.addresses
many.example many.addresses
EOF

# A name in another script is asked for once, under its A-labels (upper
# case and full-width forms are the same name), the log showing both forms;
# a name that has none (address -) is refused, the reason logged, unasked.
while read -r host address said; do
    if new_case "Host $host: $said" needs-lookup; then
        asked=$(grep -c 'query\[' "$WORK/server.log")
        [ "$address" = - ] || asked=$((asked + 1))
        run -- "$host" 80 9 "$DAT" "$LOGS"
        [ "$(grep -c 'query\[' "$WORK/server.log")" = "$asked" ] || fail "not asked as often as it should"
        if [ "$address" = - ]; then
            expect_status "$(st -5973)"
            failure_log "$host" 80 -5973 "$LOOKUP_ERR" "Host is no valid internationalized name: $said"
        else
            expect_status 0
            expect_dat "$(record 80 "$address")"
            mapfile -t LINES < <(head_lines "$host" 80 "$DAT" "$LOGS"; echo "Asking for ($said)"
                echo "Enumerating host entry..."; echo "Enumerated!"; echo "($host) => ($address)"
                tail_lines 0)
            expect_log "${LINES[@]}"
        fi
        done_case
    fi
done <<'EOF'
bücher.example 192.0.2.81 xn--bcher-kva.example
BÜCHER.Example 192.0.2.81 xn--bcher-kva.example
ＢÜＣＨＥＲ．ｅｘａｍｐｌｅ 192.0.2.81 xn--bcher-kva.example
ドメイン。テスト 192.0.2.82 xn--eckwd4c7c.xn--zckzah
مثال.إختبار 192.0.2.83 xn--mgbh0fb.xn--kgbechtv
пример.испытание 192.0.2.84 xn--e1afmkfd.xn--80akhbyknj4f
faß.de 192.0.2.85 xn--fa-hia.de
a☃b.example - string contains a disallowed character
́.example - string contains a forbidden leading combining character
üaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.example - domain label longer than 63 characters
EOF

# Names that do not resolve leave the DAT file as it was. The tool asks the
# server once, never again; a server that never answers fails the lookup
# once the resolver gives up.
queries() { grep -c "query\[A\] $1 " "$WORK/server.log"; }
while read -r host server; do
    if new_case "unresolvable $host ($server) leaves DAT unchanged" needs-lookup; then
        printf 'previous' >"$DAT"
        asked=$(queries "$host")
        [ "$server" = answers ] || kill -STOP "$NS"
        start=$SECONDS
        run -- "$host" 80 9 "$DAT" "$LOGS"
        kill -CONT "$NS"
        if [ "$server" = answers ]; then
            [ "$(queries "$host")" = $((asked + 1)) ] || fail "the server was not asked exactly once"
        else
            [ $((SECONDS - start)) -le $((RESOLVER_TIMEOUT + 3)) ] || fail "took $((SECONDS - start)) s"
        fi
        expect_status "$(st -5973)"
        [ "$(cat "$DAT")" = previous ] || fail "DAT changed"
        failure_log "$host" 80 -5973 "$LOOKUP_ERR" "PR_GetHostByName() failed!"
        done_case
    fi
done <<'EOF'
nothere.invalid answers
nothere.example answers
v6only.example answers
alias.example silent
EOF

if new_case "empty host fails without a lookup"; then
    run -- "" 80 9 "$DAT" "$LOGS"
    if [ "$WINDOWS" = 1 ] && [ "$RC" = 0 ]; then
        # Windows resolves an empty name to the local host.
        [ "$(hex "$DAT" | cut -c1-8)" = 02000050 ] || fail "DAT is not a record for port 80"
    else
        expect_status "$(st -5973)"
        expect_no_dat
        failure_log "" 80 -5973 "$LOOKUP_ERR" "PR_GetHostByName() failed!"
    fi
    done_case
fi

if new_case "DAT in a missing directory"; then
    DAT=$C/missing/out.dat
    run -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    expect_status "$(st -5950)"
    expect_no_dat
    failure_log 10.1.2.3 80 -5950 "$NOTFOUND_ERR" "Enumerating host entry..." "Enumerated!" \
        "(10.1.2.3) => (10.1.2.3)" "Unable to open DAT file!"
    done_case
fi

if [ -w /dev/full ] && new_case "DAT write fails on a full device"; then
    DAT=/dev/full
    run -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    expect_status "$(st -5956)"
    failure_log 10.1.2.3 80 -5956 "$NOSPACE_ERR" "Enumerating host entry..." "Enumerated!" \
        "(10.1.2.3) => (10.1.2.3)" "Unable to write to DAT file!"
    run -- 10.1.2.3 80 9 "$DAT" "$C/no-such-dir"
    expect_status "$(st -5956)"
    done_case
fi

# The null device takes the record as a file does: exit 0, nothing written.
if new_case "DatFile that is the null device"; then
    [ "$WINDOWS" = 1 ] && DAT=NUL || DAT=/dev/null
    before=$(snapshot "$C")
    run -- 10.1.2.3 80 0 "$DAT" "$LOGS"
    expect_status 0
    [ "$(snapshot "$C")" = "$before" ] && [ ! -e /NUL ] || fail "a file was written"
    done_case
fi

# A FIFO as DatFile holds no record: with or without a reader, the run ends
# at once, as for a DAT file that cannot be opened. (Linux only: Wine's own
# server would open it.)
if new_case "a FIFO as DatFile ends the run at once" linux-only; then
    mkfifo "$DAT"
    saved=("${RUNNER[@]}")
    # a time limit that keeps the tool's process id, which names its log
    RUNNER=(perl -e 'alarm shift; exec @ARGV or die' 10 "${RUNNER[@]}")
    for with_reader in no yes; do
        [ "$with_reader" = no ] || { timeout 20 cat "$DAT" >"$C/read" & }
        run -- 10.1.2.3 80 9 "$DAT" "$LOGS"
        expect_status "$(st -5965)"
        failure_log 10.1.2.3 80 -5965 '[-5965] [PR_OPERATION_NOT_SUPPORTED_ERROR] [The requested operation is not supported by the platform]' \
            "Enumerating host entry..." "Enumerated!" "(10.1.2.3) => (10.1.2.3)" "Unable to open DAT file!"
    done
    RUNNER=("${saved[@]}")
    kill %% 2>/dev/null
    [ ! -s "$C/read" ] || fail "the reader got: $(hex "$C/read")"
    done_case
fi

# A run below the log level writes no line, not even for its failure.
while read -r need host dat code; do
    if new_case "a silent run failing with $code writes no log" $need; then
        run -- "$host" 80 8 "${dat/#C\//$C/}" "$LOGS"
        expect_status "$(st "$code")"
        [ -z "$(ls -A "$LOGS")" ] || fail "log directory holds: $(ls -A "$LOGS")"
        done_case
    fi
done <<'EOF'
needs-lookup nothere.invalid C/out.dat -5973
- 10.1.2.3 C/missing/out.dat -5950
- 10.1.2.3 /dev/full -5956
EOF

# A failed step reports its own error, not the one the log writer's failed
# open of a missing log directory leaves behind.
if new_case "failure code survives a missing log directory" needs-lookup; then
    run -- nothere.invalid 80 9 "$DAT" "$C/no-such-dir"
    expect_status "$(st -5973)"
    expect_no_dat
    [ ! -e "$C/no-such-dir" ] || fail "log directory was created"
    done_case
fi

if new_case "success with a missing log directory"; then
    run -- 10.1.2.3 80 9 "$DAT" "$C/no-such-dir"
    expect_status 0
    expect_dat "$(record 80 10.1.2.3)"
    done_case
fi

# --- hostile and odd inputs ------------------------------------------------------

# Format directives and non-ASCII bytes are data: taken, shown and used as
# they are, in every text argument; a Host of bytes that are not UTF-8 names
# no host. (A Windows caller passes text, and such bytes spell none.)
for text in '%s%n%x%%' $'\xe9t\xe9-\xff'; do
    [ "$WINDOWS" = 1 ] && [ "$text" != '%s%n%x%%' ] && need=linux-only || need=
    if new_case "text argument '$text' is used as it is" $need; then
        mkdir -p "$C/$text"
        DAT=$C/$text.dat
        LOGS=$C/$text
        run -- "$text" 80 9 "$DAT" "$LOGS"
        expect_status "$(st -5973)"
        step="PR_GetHostByName() failed!"
        [ "$text" = '%s%n%x%%' ] || step="Host is no valid internationalized name: string encoding error"
        failure_log "$text" 80 -5973 "$LOOKUP_ERR" "$step"
        run -- 10.1.2.3 "$text" "$text" "$DAT" "$LOGS"
        expect_status 0
        expect_dat "$(record 0 10.1.2.3)"
        done_case
    fi
done

if new_case "DatFile that is a directory"; then
    DAT=$C/dir.dat
    mkdir "$DAT"
    run -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    errline='[-5953] [PR_IS_DIRECTORY_ERROR] [Cannot perform a normal file operation on a directory]'
    code=-5953
    if [ "$WINDOWS" = 1 ]; then
        # Windows refuses to open a directory for writing as access denied.
        errline='[-5966] [PR_NO_ACCESS_RIGHTS_ERROR] [Access Denied]'
        code=-5966
    fi
    expect_status "$(st $code)"
    failure_log 10.1.2.3 80 $code "$errline" \
        "Enumerating host entry..." "Enumerated!" "(10.1.2.3) => (10.1.2.3)" "Unable to open DAT file!"
    done_case
fi

if new_case "LogDir that is a file"; then
    echo x >"$C/file"
    run -- 10.1.2.3 80 9 "$DAT" "$C/file"
    expect_status 0
    expect_dat "$(record 80 10.1.2.3)"
    [ "$(cat "$C/file")" = x ] || fail "the file changed"
    done_case
fi

# Odd entries with matching names in the log directory stay.
if new_case "matching directory and dangling link are left alone"; then
    mkdir "$LOGS/Tralvinex1.log"
    touch -d @1000 "$LOGS/Tralvinex1.log"
    ln -s "$C/nowhere" "$LOGS/Tralvinex2.log"
    head -c 20000 /dev/zero >"$C/big"
    ln -s "$C/big" "$LOGS/Tralvinex3.log"
    run -- 10.1.2.3 80 0 "$DAT" "$LOGS"
    expect_status 0
    [ -d "$LOGS/Tralvinex1.log" ] && [ -L "$LOGS/Tralvinex2.log" ] || fail "an odd entry went"
    # A link is never judged by what it leads to: a link to a large file
    # stays, and so does its target. (Wine opens a Unix link to a file as
    # that file, whose final path is not the link's; NTFS links are reparse
    # points, which stay.)
    [ -L "$LOGS/Tralvinex3.log" ] && [ -f "$C/big" ] || fail "link to a large file: wrong outcome"
    done_case
fi

# Whatever others plant as the run's log in a LogDir they may write to is
# never written through and never holds the run up: a link or a hard link to
# a file outside, a FIFO (that someone reads, or not: it is not even
# opened, so a reader stays blocked), a folder. The run goes as without it.
# Under Wine, whose thread ids cannot be chosen, a link is planted under
# every name a run may take (Wine's ids are small multiples of 4); a log
# under another name would show that the run's was missed.
for kind in link hard-link FIFO read-FIFO folder; do
    [ "$kind" = link ] && need= || need=linux-only
    if new_case "a $kind planted as the run's log takes no line" needs-lookup $need; then
        echo outside >"$C/outside"
        case $kind in
            link) [ "$WINDOWS" = 0 ] && ids=1 || ids=$(seq 4 4 4096)
                for id in $ids; do ln -s "$C/outside" "$LOGS/Tralvinex$id.log"; done ;;
            hard-link) ln "$C/outside" "$LOGS/Tralvinex1.log" ;;
            FIFO) mkfifo "$LOGS/Tralvinex1.log" ;;
            read-FIFO) mkfifo "$LOGS/Tralvinex1.log" && : >"$C/read"
                cat "$LOGS/Tralvinex1.log" >>"$C/read" & reader=$! ;;
            folder) mkdir "$LOGS/Tralvinex1.log" ;;
        esac
        before=$(snapshot "$C")
        if [ "$WINDOWS" = 0 ]; then run_pid1 10.1.2.3 80 9 "$DAT" "$LOGS"; else run -- 10.1.2.3 80 9 "$DAT" "$LOGS"; fi
        if [ -n "${reader:-}" ]; then
            sleep 0.2
            kill -0 "$reader" 2>/dev/null || fail "the FIFO was opened: its reader was released"
            kill "$reader" 2>/dev/null; reader=
        fi
        expect_status 0
        expect_dat "$(record 80 10.1.2.3)"
        [ "$(snapshot "$C" | grep -vF "$DAT ")" = "$before" ] || fail "a file changed"
        done_case
    fi
done

# As an unprivileged user: a DAT file that may not be written, and a log
# directory that may not be written.
as_nobody() {
    local saved=("${RUNNER[@]}")
    RUNNER=(setpriv --reuid=65534 --regid=65534 --clear-groups "${RUNNER[@]}")
    run "$@"
    RUNNER=("${saved[@]}")
}
# (Not for the Windows build: Wine's prefix belongs to the user who made it.)
if [ "$(id -u)" = 0 ] && [ "$WINDOWS" = 0 ] && command -v setpriv >/dev/null; then
    chmod 755 "$WORK"
    if new_case "read-only DatFile, run as nobody"; then
        chmod 755 "$C"
        chmod 777 "$LOGS"
        printf 'old' >"$DAT"
        chmod 644 "$DAT"
        as_nobody -- 10.1.2.3 80 9 "$DAT" "$LOGS"
        expect_status "$(st -5966)"
        [ "$(cat "$DAT")" = old ] || fail "DAT changed"
        failure_log 10.1.2.3 80 -5966 '[-5966] [PR_NO_ACCESS_RIGHTS_ERROR] [Access Denied]' \
            "Enumerating host entry..." "Enumerated!" "(10.1.2.3) => (10.1.2.3)" "Unable to open DAT file!"
        done_case
    fi
    # Opened for writing only: a DAT file its owner may write but not read
    # gets the record.
    if new_case "write-only DatFile, run as its owner nobody"; then
        chmod 755 "$C"
        printf 'old' >"$DAT"
        chown 65534 "$DAT"
        chmod 200 "$DAT"
        as_nobody -- 10.1.2.3 80 0 "$DAT" "$LOGS"
        expect_status 0
        expect_dat "$(record 80 10.1.2.3)"
        done_case
    fi
    if new_case "unwritable LogDir, run as nobody"; then
        chmod 777 "$C"
        chmod 755 "$LOGS"
        touch -d @1000 "$LOGS/Tralvinex1.log"
        as_nobody -- 10.1.2.3 80 9 "$DAT" "$LOGS"
        expect_status 0
        expect_dat "$(record 80 10.1.2.3)"
        [ -f "$LOGS/Tralvinex1.log" ] && [ "$(ls -A "$LOGS")" = Tralvinex1.log ] ||
            fail "log directory changed: $(ls -A "$LOGS")"
        as_nobody -- "" 80 9 "$DAT" "$LOGS"
        expect_status "$(st -5973)"
        done_case
    fi
else
    echo "SKIP runs as an unprivileged user (needs root, setpriv and the Linux build)"
    SKIP=$((SKIP + 3))
fi

# --- text in any language ------------------------------------------------------

# Folders and files named in any script are the ones used, never a
# look-alike: Lódz, beside each folder here, is Windows' "best fit" for
# Łódź. The log shows the names as UTF-8.
for folder in 'Пример' '数据' 'Łódź'; do
    if new_case "DatFile and LogDir in a folder named $folder"; then
        mkdir "$C/$folder" "$C/Lódz"
        DAT=$C/$folder/😀.dat LOGS=$C/$folder
        run -- 10.1.2.3 80 9 "$DAT" "$LOGS"
        expect_status 0
        expect_dat "$(record 80 10.1.2.3)"
        success_log 10.1.2.3 80 10.1.2.3
        [ -z "$(ls -A "$C/Lódz")" ] || fail "the look-alike folder holds: $(ls -A "$C/Lódz")"
        done_case
    fi
done

if new_case "a Host with fullwidth quotation marks and spaces is one argument" needs-lookup; then
    run -- '＂a b＂ c' 80 9 "$DAT" "$LOGS"
    expect_status "$(st -5973)"
    failure_log '＂a b＂ c' 80 -5973 "$LOOKUP_ERR" 'Asking for ("a b" c)' "PR_GetHostByName() failed!"
    done_case
fi

# Without the manifest (Windows before 10 1903) the system's code page holds
# no argument and no path: text is UTF-8 inside and UTF-16 at the system, so
# that 1252 (here by default) and 932 (ja_JP.UTF-8, a locale of the suite's
# own) take the same files. Cyrillic, Łódź (never its look-alike Lódz),
# Hangul and look-alikes of quotation marks are used as given. The tool runs
# from a folder whose name 1252 cannot hold. Each row: code page, exit
# status, Host, the DatFile's folder, the LogDir, and the files the case
# folder then holds (the old log purged).
if [ -n "${TRALVINEX_NO_MANIFEST_TOOL:-}" ]; then
    mkdir "$WORK/Пример" && cp "$TRALVINEX_NO_MANIFEST_TOOL" "$WORK/Пример/"
    mkdir "$WORK/locale" && localedef -i ja_JP -f UTF-8 "$WORK/locale/ja_JP.UTF-8"
fi
# no_manifest CP run ARGS...: a run of the tool without its manifest, with
# Wine in code page CP
no_manifest() {
    local cp=$1
    shift
    [ "$cp" = 1252 ] || set -- "$1" LOCPATH="$WORK/locale" TRALVINEX_WINE_LOCALE=ja_JP.UTF-8 "${@:2}"
    TOOL=$WORK/Пример/${TRALVINEX_NO_MANIFEST_TOOL##*/} "$@"
}
while read -r cp code host datdir logdir files; do
    if new_case "without the manifest in $cp, Host $host, DatFile in $datdir, LogDir $logdir exits $code" \
        needs-no-manifest; then
        mkdir -p "$C/$datdir" "$C/$logdir" "$C/Lódz"
        touch_age "$C/$logdir/Tralvinex-old.log" 999999
        no_manifest "$cp" run -- "$host" 80 9 "$C/$datdir/x.dat" "$C/$logdir"
        expect_status "$(st "$code")"
        got=$(cd "$C" && find . -type f | sed -E 's/Tralvinex[0-9]+/Tralvinex<id>/' | sort | xargs)
        [ "$got" = "$files" ] || fail "files: $got"
        done_case
    fi
done <<'EOF'
1252 0 10.1.2.3 été été ./été/Tralvinex<id>.log ./été/x.dat
1252 0 10.1.2.3 Пример Łódź ./Łódź/Tralvinex<id>.log ./Пример/x.dat
932 0 10.1.2.3 Пример 데이터 ./Пример/x.dat ./데이터/Tralvinex<id>.log
932 0 10.1.2.3 data Łódź ./data/x.dat ./Łódź/Tralvinex<id>.log
1252 -5973 ＂a＂ data data ./data/Tralvinex<id>.log
1252 -5973 ＂ data data ./data/Tralvinex<id>.log
932 -5973 пример.test data data ./data/Tralvinex<id>.log
EOF

# The purge lists LogDir by its UTF-16 names: a name planted with a
# look-alike of a separator (U+FF3C, U+2215, and U+00A5, which is "\" in
# 932), which a code page would make a real one, is that very name in
# LogDir. What its path would climb to outside LogDir stays.
for cp in 1252 932; do
    if new_case "without the manifest in $cp, look-alike separators keep the purge in LogDir" \
        needs-no-manifest; then
        mkdir -p "$C/victim/deeper"
        touch_age "$C/victim/audit.log" 999999
        touch_age "$C/victim/yen.log" 999999
        touch_age "$C/victim/deeper/big.LOG" 0 20000
        for name in 'Tralvinex＼..＼..＼victim＼audit.log' 'Tralvinex∕..∕..∕victim∕deeper∕big.LOG' \
            'Tralvinex¥..¥..¥victim¥yen.log'; do
            touch_age "$LOGS/$name" 999999
        done
        no_manifest "$cp" run -- 10.1.2.3 80 0 "$DAT" "$LOGS"
        expect_status 0
        left=$(cd "$C/victim" && find . -type f | sort | xargs)
        [ "$left" = "./audit.log ./deeper/big.LOG ./yen.log" ] && [ -z "$(ls -A "$LOGS")" ] ||
            fail "victim holds: $left; LogDir holds: $(ls -A "$LOGS" | xargs)"
        done_case
    fi
done

# No DLL put beside the .exe is loaded into it: beside a copy of it, each
# DLL it imports or names that is not a KnownDLL of Windows 7 to 11 (those
# load from the system folder alone) is planted, first in Wine's load order.
if new_case "DLLs planted beside the .exe stay out of it" needs-dll-mark; then
    mkdir "$C/app" && cp "$TOOL" "$C/app/"
    planted=$({ strings -a "$TOOL"; strings -a -el "$TOOL"; } | grep -ixE '[a-z0-9_]+\.dll' |
        tr A-Z a-z | sort -u | grep -vxE '(advapi32|kernel32|msvcrt|ws2_32)\.dll')
    for dll in $planted; do cp "$TRALVINEX_DLL_MARK" "$C/app/$dll"; done
    TOOL=$C/app/${TOOL##*/} run WINEDLLOVERRIDES="$(echo ${planted//.dll/} | tr ' ' ,)=n,b" \
        -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    expect_status 0
    loaded=$(cd "$C/app" && ls -- *.loaded 2>/dev/null)
    [ -n "$planted" ] && [ -z "$loaded" ] || fail "planted: $(echo $planted); loaded: $loaded"
    done_case
fi

# The examples the zip ships, laid out as there (examples\ beside the .exe),
# report this .exe's record and its failure: the batch file through cmd.exe,
# the C caller as built. A DatFile with & and parentheses is data to both:
# it gets the record, and nothing else runs. With a time limit, the caller
# ends a run that waits on a name server that never answers.
if new_case "the shipped examples report a record and a failure" needs-examples needs-lookup; then
    mkdir -p "$C/zip/examples"
    cp "$TOOL" "$C/zip/tralvinex-lookup.exe"
    cp "$(dirname "$0")/../../docs/examples/lookup.bat" "$C/zip/examples/"
    bat=Z:$(tr / '\\' <<<"$C/zip/examples/lookup.bat")
    for dat in "$DAT" "$C/x&echo INJECTED (1).dat" "$C/missing/out.dat"; do
        TOOL=cmd run -- /c "$bat" 10.1.2.3 80 "$dat" "$LOGS"
        said=$RC:$(tr -d '\r' <"$OUT.stdout")
        TOOL=$TRALVINEX_EXAMPLE_CALLER run -- "$C/zip/tralvinex-lookup.exe" 10.1.2.3 80 9 "$dat" "$LOGS"
        said="$said / $RC:$(tr -d '\r' <"$OUT.stdout")"
        if [ -d "${dat%/*}" ]; then
            want="0:tralvinex-lookup wrote the record for \"10.1.2.3\" to \"$dat\" / 0:10.1.2.3:80"
            [ "$(hex "$dat")" = "$(record 80 10.1.2.3)" ] || fail "no record in $dat"
        else
            want="194:tralvinex-lookup failed with -5950 / 1:tralvinex-lookup failed: -5950 (0xFFFFE8C2)"
        fi
        [ "$said" = "$want" ] || fail "the examples said: $said"
    done
    # & ^ ! and parentheses in every value the batch expands, and " (which
    # no batch file can take: the caller's own cmd.exe reads it first)
    # through the C caller, reach the tool as given, and nothing else runs.
    L="$C/l&echo L^!(4)!" D="$C/d&echo D^!(3)!.dat"
    mkdir "$L"
    TOOL=cmd run -- /c "$bat" 'h&echo H^!(1)!' '80&echo P^!(2)!' "$D" "$L"
    said=$RC:$(tr -d '\r' <"$OUT.stdout")
    TOOL=$TRALVINEX_EXAMPLE_CALLER run -- "$C/zip/tralvinex-lookup.exe" 'h"&echo H^!(1)!"' 80 9 "$D" "$L"
    said="$said / $RC:$(tr -d '\r' <"$OUT.stdout") / $(for f in "$L"/*.log; do log_messages "$f"; done | grep ^Host= | sort)"
    [ "$said" = "171:tralvinex-lookup failed with -5973 / 1:tralvinex-lookup failed: -5973 (0xFFFFE8AB) / \
$(params_line 'h"&echo H^!(1)!"' 80 "$D" "$L")
$(params_line 'h&echo H^!(1)!' 80 "$D" "$L")" ] || fail "hostile values: $said"
    # Values that end in a backslash (C:\logs\, a DatFile of dir\) reach the
    # tool as given, not with the closing quotation mark escaped.
    TOOL=$TRALVINEX_EXAMPLE_CALLER run -- "$C/zip/tralvinex-lookup.exe" 10.1.2.3 80 9 "$C/dir\\" "$LOGS\\"
    [ "$(messages | sed -n 3p)" = "$(params_line 10.1.2.3 80 "$C/dir\\" "$LOGS\\")" ] ||
        fail "trailing backslashes: $(messages | sed -n 3p)"
    # Killed mid-run, the caller takes its run with it (a job object): none is
    # left to write its record over the one a newer run wrote.
    printf 'nameserver 127.0.0.1\noptions timeout:9 attempts:1\n' >"$ETC/resolv.conf"
    kill -STOP "$NS"
    mkdir "$C/k"
    TOOL=$TRALVINEX_EXAMPLE_CALLER launch -- "$C/zip/tralvinex-lookup.exe" alias.example 80 9 "$DAT" "$C/k"
    for _ in $(seq 100); do grep -qs Resolving "$C"/k/*.log && break; sleep 0.1; done
    kill -KILL "$PID"
    for _ in $(seq 30); do pgrep -f 'tralvinex-lookup.exe.*alias' >/dev/null || break; sleep 0.1; done
    left=$(pgrep -f 'tralvinex-lookup.exe.*alias')
    TOOL=$C/zip/tralvinex-lookup.exe run -- 10.1.2.3 80 0 "$DAT" "$LOGS"
    kill -CONT "$NS"
    printf 'nameserver 127.0.0.1\noptions timeout:%d attempts:1\n' "$RESOLVER_TIMEOUT" >"$ETC/resolv.conf"
    sleep 2
    [ -z "$left" ] && [ "$(hex "$DAT")" = "$(record 80 10.1.2.3)" ] || fail "killed caller: left '$left', DAT $(hex "$DAT")"
    kill -STOP "$NS"
    TOOL=$TRALVINEX_EXAMPLE_CALLER run -- "$C/zip/tralvinex-lookup.exe" alias.example 80 9 "$DAT" "$LOGS" 500
    kill -CONT "$NS"
    said=$RC:$(tr -d '\r' <"$OUT.stdout")
    [ "$said" = "3:tralvinex-lookup did not finish within 500 ms and was ended" ] &&
        ! messages | grep -q '^Exiting' || fail "the caller with a time limit said: $said"
    done_case
fi

# --- arguments that do not fit -------------------------------------------------

long=$(printf 'h%.0s' $(seq 260))
for which in Host DatFile LogDir; do
    if new_case "a $which of 260 bytes is refused"; then
        touch_age "$LOGS/Tralvinex1.log" 999999
        before=$(snapshot "$C")
        case $which in
            Host) run -- "$long" 80 9 "$DAT" "$LOGS" ;;
            DatFile) run -- 10.1.2.3 80 9 "$C/$long" "$LOGS" ;;
            LogDir) run -- 10.1.2.3 80 9 "$DAT" "$LOGS/$long" ;;
        esac
        expect_status "$(st -5962)"
        [ "$(snapshot "$C")" = "$before" ] || fail "files were touched"
        done_case
    fi
done

if new_case "a host of 259 bytes is taken whole" needs-lookup; then
    host=${long:1}
    DAT=/${long:2}
    run -- "$host" 80 9 "$DAT" "$LOGS"
    expect_status "$(st -5973)"
    line=$(messages | sed -n 3p)
    [ "${#line}" = 511 ] || fail "parameter line is ${#line} characters, expected 511 (cut)"
    [ "$line" = "$(params_line "$host" 80 "$DAT" "$LOGS" | head -c 511)" ] || fail "parameter line: $line"
    done_case
fi

# A log path that does not fit is never used cut: no line is written anywhere.
if new_case "a log path too long to fit drops the lines"; then
    deep=$LOGS
    while [ ${#deep} -lt 245 ]; do deep=$deep/d; done
    mkdir -p "$deep"
    run -- 10.1.2.3 80 9 "$DAT" "$deep"
    expect_status 0
    expect_dat "$(record 80 10.1.2.3)"
    [ -z "$(find "$LOGS" -type f)" ] || fail "a file was written: $(find "$LOGS" -type f)"
    done_case
fi

# fill_to LENGTH: a name that makes "$C/<name>" exactly LENGTH bytes long.
fill_to() { printf 'n%.0s' $(seq $(($1 - ${#C} - 1))); }

if new_case "a DatFile and a LogDir of 259 bytes are taken whole"; then
    DAT=$C/$(fill_to 259)
    LOGS=$C/$(fill_to 259 | tr n l)
    mkdir "$LOGS"
    run -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    expect_status 0
    expect_dat "$(record 80 10.1.2.3)"
    done_case
fi

# As pid 1 the log is "<LogDir>/Tralvinex1.log": 259 bytes are used, 260 are
# not used cut.
if new_case "a log path of 259 bytes is used, of 260 dropped" needs-lookup linux-only; then
    mkdir "$C/$(fill_to 244)" "$C/$(fill_to 245)"
    run_pid1 10.1.2.3 80 9 "$DAT" "$C/$(fill_to 244)"
    run_pid1 10.1.2.3 80 9 "$DAT" "$C/$(fill_to 245)"
    expect_status 0
    [ "$(find "$C" -mindepth 2 -type f)" = "$C/$(fill_to 244)/Tralvinex1.log" ] ||
        fail "logs written: $(find "$C" -mindepth 2 -type f)"
    done_case
fi

# An empty LogDir names no folder: no line is written and nothing purged at
# the root that "" joined with a name would be, nor at what separators alone
# would name on Windows ("\\", "//", "\/": a network path). The root is the
# case's own, $C/root: on Linux a private mount namespace whose "/" it is,
# every folder of the real root bound into it; under Wine the drive Y:, made
# the current one. An old, large log placed there stays.
if new_case "an empty LogDir logs and purges nothing at the root" needs-lookup; then
    mkdir "$C/root"
    touch_age "$C/root/Tralvinex-planted.log" 999999 20000
    saved=("${ISOLATE[@]}")
    if [ "$WINDOWS" = 1 ]; then
        ln -s "$C/root" "$WINEPREFIX/dosdevices/y:"
        ISOLATE+=(--wd="$C/root")
        dirs=('' '\\' '//' '\/')
    else
        ISOLATE+=(unshare -m --propagation private sh -c '
            r=$0
            shift
            for e in /*; do
                if [ -L "$e" ]; then cp -P "$e" "$r/"
                elif [ -d "$e" ]; then mkdir -p "$r$e" && mount --rbind "$e" "$r$e" || exit 99
                fi
            done
            exec chroot "$r" "$@"' "$C/root")
        dirs=('')
    fi
    for dir in "${dirs[@]}"; do
        for level in 0 9; do
            run -- 10.1.2.3 80 $level "$DAT" "$dir"
            expect_status 0
            expect_dat "$(record 80 10.1.2.3)"
        done
    done
    ISOLATE=("${saved[@]}")
    [ "$WINDOWS" = 0 ] || rm "$WINEPREFIX/dosdevices/y:"
    files=$(find "$C/root" -maxdepth 1 -type f -printf '%f %s\n')
    [ "$files" = "Tralvinex-planted.log 20000" ] || fail "the root holds: $files"
    done_case
fi

# LogDir "\\" is the root of the current drive: no second separator, which
# would make "\\\\Tralvinex<id>.log" a path to a server of that name. A bare
# drive, "Y:", is joined to "Y:\\Tralvinex<id>.log", the root of that drive
# too, not its current folder. Here the case's folder is drive Y:, and the
# current folder is Y:\\sub.
if new_case "LogDir \\ and Y: are the root of the drive, not a network path" windows-only needs-lookup; then
    ln -s "$C" "$WINEPREFIX/dosdevices/y:"
    mkdir "$C/sub"
    LOGS=$C
    ISOLATE+=(--wd="$C/sub")
    for dir in '\' Y:; do
        run -- 10.1.2.3 80 9 "$DAT" "$dir"
        expect_status 0
        expect_dat "$(record 80 10.1.2.3)"
        messages | grep -q '^Host=' || fail "LogDir $dir: no log at the root of Y:"
    done
    unset 'ISOLATE[-1]'
    rm "$WINEPREFIX/dosdevices/y:"
    done_case
fi

# No argument can forge a log line: a control character, C1 ones (NEL) and
# the line and paragraph separators of Unicode show as "?", and on Linux so
# does a lone byte 0x80 to 0x9F (NEL to a Latin-1 reader). A message cut at
# 511 bytes ends before a UTF-8 character the cut would split.
if new_case "argument text neither forges nor splits a log line" needs-lookup; then
    run -- $'x\r\n01/01/2026 00:00:00.000\tExiting with 0.' 80 9 "$DAT" "$LOGS"
    failure_log 'x??01/01/2026 00:00:00.000?Exiting with 0.' 80 -5973 "$LOOKUP_ERR" "PR_GetHostByName() failed!"
    # U+2028, U+2003 (a space, kept), U+2029 and U+0085; on Linux a raw 0x85
    host=$'nx.invalid\xe2\x80\xa812/10/2026 00:00:00.000\xe2\x80\x83Exiting with 0.\xe2\x80\xa9\xc2\x85'
    shown=$'nx.invalid?12/10/2026 00:00:00.000\xe2\x80\x83Exiting with 0.??'
    why="string contains a disallowed character"
    [ "$WINDOWS" = 1 ] || { host+=$'\x85'; shown+=?; why="string encoding error"; }
    run -- "$host" 80 9 "$DAT" "$LOGS"
    failure_log "$shown" 80 -5973 "$LOOKUP_ERR" "Host is no valid internationalized name: $why"
    euro=$(printf '€%.0s' $(seq 86))
    run -- "$euro" 80 9 "/$euro" "$LOGS"
    line=$(messages | sed -n 3p)
    iconv -f UTF-8 -t UTF-8 <<<"$line" >/dev/null && [ "$(printf %s "$line" | wc -c)" -ge 509 ] ||
        fail "parameter line of $(printf %s "$line" | wc -c) bytes is not whole UTF-8"
    done_case
fi

# A LogDir that ends in a separator gets no second one: on Windows
# "\\?\Z:\...\logs\" is a folder, and "\\?\Z:\...\logs\\name" no valid path.
if new_case "log directory with a trailing separator"; then
    dir=$LOGS/
    [ "$WINDOWS" = 0 ] || dir='\\?\Z:'$(tr / '\\' <<<"$LOGS")'\'
    run -- 10.1.2.3 80 9 "$DAT" "$dir"
    expect_status 0
    [ -n "$RUN_LOG" ] || fail "no log"
    [ "$(messages | sed -n 3p)" = "$(params_line 10.1.2.3 80 "$DAT" "$dir")" ] || fail "parameter line"
    done_case
fi

# --- log level gates and the purge ---------------------------------------------

# Directory contents for the purge cases: condemned logs, kept logs, and
# files that only look like logs.
fill_logs() {
    touch_age "$LOGS/Tralvinex11.log" 172800
    touch_age "$LOGS/tralvinex12.LOG" 86400
    touch_age "$LOGS/TRALVINEX13.log" 0 10240
    touch_age "$LOGS/Tralvinex.log" 90000
    touch_age "$LOGS/Tralvinex14.log" 86000 10239
    touch_age "$LOGS/Tralvinex15.log" -3600
    touch_age "$LOGS/Tralvinex42.log.bak" 172800 20000
    touch_age "$LOGS/xTralvinex42.log" 172800 20000
    touch_age "$LOGS/Tralvinex" 172800 20000
    touch_age "$LOGS/TralvineZ1.log" 172800 20000
    mkdir "$LOGS/Tralvinex16.log" && touch -d @0 "$LOGS/Tralvinex16.log"
    # 1900-01-01 (or the oldest time the file system holds, 1901-12-13 on
    # ext4): an age beyond 32 bits of seconds
    touch_age "$LOGS/Tralvinex17.log" $(( $(date +%s) + 2208988800 ))
}
KEPT="Tralvinex14.log Tralvinex15.log Tralvinex16.log Tralvinex TralvineZ1.log Tralvinex42.log.bak
    xTralvinex42.log"
ALL="Tralvinex11.log tralvinex12.LOG TRALVINEX13.log Tralvinex.log Tralvinex17.log $KEPT"

expect_files() {
    local want got
    want=$(printf '%s\n' $1 | sort)
    got=$(ls -A "$LOGS" | grep -v -x -F "${RUN_LOG##*/}" | sort)
    [ "$got" = "$want" ] || fail "log dir holds: $(echo $got), expected: $(echo $want)"
}

# level argument, writes a log, purges
while read -r level logs purges; do
    if new_case "log level '$level': log $logs, purge $purges"; then
        fill_logs
        run -- 10.1.2.3 80 "$level" "$DAT" "$LOGS"
        expect_status 0
        expect_dat "$(record 80 10.1.2.3)"
        if [ "$logs" = yes ]; then
            success_log 10.1.2.3 80 10.1.2.3
        else
            [ -z "$RUN_LOG" ] || fail "a log was written"
        fi
        if [ "$purges" = yes ]; then expect_files "$KEPT"; else expect_files "$ALL"; fi
        done_case
    fi
done <<'EOF'
8 no yes
9 yes yes
9998 yes yes
9999 yes no
32767 yes no
75535 yes no
-1 no yes
40000 no yes
abc no yes
EOF

# The purge comes after the two opening lines: a log that is already too
# large loses them, and the next line starts a new file under the same name.
# In a private pid namespace the tool is pid 1, so its log name is known
# (Linux only: a Windows thread id cannot be chosen).
if new_case "purge may delete the run's own log" needs-lookup linux-only; then
    head -c 20000 /dev/zero >"$LOGS/Tralvinex1.log"
    run_pid1 10.1.2.3 80 9 "$DAT" "$LOGS"
    RUN_LOG=$LOGS/Tralvinex1.log
    RUN_LOG_FROM=0
    expect_status 0
    mapfile -t LINES < <(params_line 10.1.2.3 80 "$DAT" "$LOGS"; echo "Resolving hostname..."
        echo "Enumerating host entry..."; echo "Enumerated!"; echo "(10.1.2.3) => (10.1.2.3)"
        tail_lines 0)
    expect_log "${LINES[@]}"
    done_case
fi

# --- failures no real input reaches, made by the fault shim ----------------------

if new_case "address cannot be shown as text" needs-shim; then
    run_shimmed TRALVINEX_FAULT_CALL=PR_NetAddrToString TRALVINEX_FAULT_AT=1 \
        -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    expect_status 0
    expect_dat "$(record 80 10.1.2.3)"
    mapfile -t LINES < <(head_lines 10.1.2.3 80 "$DAT" "$LOGS"
        echo "Enumerating host entry..."; echo "Enumerated!"; tail_lines 0)
    expect_log "${LINES[@]}"
    done_case
fi

# A failing PR_Cleanup's code replaces the run's result: 0, or the code of a
# step that failed before it (here the DAT open's).
# LogDir swapped for a link between the purge's listing and its look at an
# entry: the log deleted is the one in the folder listed, never one of the
# same name where the link leads.
if new_case "LogDir swapped for a link in mid-purge" needs-shim; then
    mkdir "$C/elsewhere"
    touch_age "$LOGS/Tralvinex11.log" 172800
    touch_age "$C/elsewhere/Tralvinex11.log" 172800
    run_shimmed TRALVINEX_SWAP_DIR="$LOGS" TRALVINEX_SWAP_TO="$C/elsewhere" -- 10.1.2.3 80 0 "$DAT" "$LOGS"
    expect_status 0
    [ -f "$C/elsewhere/Tralvinex11.log" ] && [ ! -e "$LOGS.old/Tralvinex11.log" ] ||
        fail "deleted where the link leads: $(ls -A "$C/elsewhere" "$LOGS.old" | xargs)"
    done_case
fi

if new_case "PR_Cleanup fails after a good run and after a failed one" needs-shim; then
    for dat in "$DAT" "$C/missing/out.dat"; do
        run_shimmed TRALVINEX_FAULT_CALL=PR_Cleanup TRALVINEX_FAULT_AT=1 \
            -- 10.1.2.3 80 9 "$dat" "$LOGS"
        expect_status "$(st -5931)"
        mapfile -t LINES < <(head_lines 10.1.2.3 80 "$dat" "$LOGS"
            echo "Enumerating host entry..."; echo "Enumerated!"; echo "(10.1.2.3) => (10.1.2.3)"
            [ "$dat" = "$DAT" ] || printf '%s\n' "Unable to open DAT file!" "$NOTFOUND_ERR"
            echo "Shutting down NSPR..."; echo "PR_Cleanup() failed!"
            echo "[-5931] [PR_INVALID_STATE_ERROR] [Object state improper for request]"
            echo "Exiting with -5931."; echo "$BANNER")
        expect_log "${LINES[@]}"
    done
    expect_dat "$(record 80 10.1.2.3)"
    run_shimmed TRALVINEX_FAULT_CALL=PR_Cleanup TRALVINEX_FAULT_AT=1 \
        -- 10.1.2.3 80 9 "$DAT" "$C/no-such-dir"
    expect_status "$(st -5931)"
    done_case
fi

if new_case "an entry without addresses never exits 0" needs-shim; then
    run_shimmed TRALVINEX_FAULT_CALL=PR_EnumerateHostEnt TRALVINEX_FAULT_AT=1 \
        TRALVINEX_FAULT_ERROR=none -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    expect_status "$(st -5994)"
    expect_no_dat
    failure_log 10.1.2.3 80 -5994 "$UNKNOWN_ERR" "Enumerating host entry..." "PR_EnumerateHostEnt() failed!"
    done_case
fi

# Some file systems report a lost write only at close.
if new_case "a failed DAT close is a failure" needs-shim; then
    # The log makes no NSPR call: the first close is the DAT file's, logged
    # or not, with or without a log directory.
    run_shimmed TRALVINEX_FAULT_CALL=PR_Close TRALVINEX_FAULT_AT=1 \
        -- 10.1.2.3 80 0 "$DAT" "$LOGS"
    expect_status "$(st -5991)"
    run_shimmed TRALVINEX_FAULT_CALL=PR_Close TRALVINEX_FAULT_AT=1 \
        -- 10.1.2.3 80 9 "$DAT" "$C/no-such-dir"
    expect_status "$(st -5991)"
    # logged, it reads as a failed write
    run_shimmed TRALVINEX_FAULT_CALL=PR_Close TRALVINEX_FAULT_AT=1 \
        -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    expect_status "$(st -5991)"
    failure_log 10.1.2.3 80 -5991 "$IO_ERR" "Enumerating host entry..." "Enumerated!" \
        "(10.1.2.3) => (10.1.2.3)" "Unable to write to DAT file!"
    done_case
fi

if new_case "a failed DAT write is reported with its own code" needs-shim; then
    run_shimmed TRALVINEX_FAULT_CALL=PR_Write TRALVINEX_FAULT_AT=1 \
        TRALVINEX_FAULT_ERROR=none -- 10.1.2.3 80 0 "$DAT" "$LOGS"
    expect_status "$(st -5994)"
    done_case
fi

# A short DAT write is carried on to the whole record; a write that makes no
# progress is a failure, and is not retried.
while read -r written error code; do
    if new_case "a DAT write of $written bytes (error: $error) exits $code" needs-shim; then
        head -c 100 /dev/urandom >"$DAT"
        before=$(hex "$DAT")
        run_shimmed TRALVINEX_FAULT_CALL=PR_Write TRALVINEX_FAULT_AT=1 TRALVINEX_FAULT_WRITTEN="$written" \
            TRALVINEX_FAULT_ERROR="$error" -- 10.1.2.3 80 9 "$DAT" "$LOGS"
        expect_status "$(st "$code")"
        if [ "$code" = 0 ]; then
            [ "$(hex "$DAT")" = "$(record 80 10.1.2.3)${before:64}" ] || fail "DAT is $(hex "$DAT")"
            success_log 10.1.2.3 80 10.1.2.3
        else
            failure_log 10.1.2.3 80 "$code" "$UNKNOWN_ERR" "Enumerating host entry..." "Enumerated!" \
                "(10.1.2.3) => (10.1.2.3)" "Unable to write to DAT file!"
        fi
        done_case
    fi
done <<'EOF'
1 none 0
31 none 0
0 none -5994
EOF

# A checked call that fails without setting an error must exit
# PR_UNKNOWN_ERROR, never a code an earlier call left pending.
for call_at in PR_GetHostByName:1 PR_EnumerateHostEnt:1 PR_ImportFile:1 PR_Write:1 PR_Close:1 PR_Cleanup:1; do
    if new_case "${call_at%:*} fails leaving a stale error pending" needs-shim; then
        run_shimmed TRALVINEX_FAULT_CALL="${call_at%:*}" TRALVINEX_FAULT_AT="${call_at#*:}" \
            TRALVINEX_FAULT_ERROR=stale -- 10.1.2.3 80 9 "$DAT" "$C/no-such-dir"
        expect_status "$(st -5994)"
        done_case
    fi
done

# Stamps are the local time of the run to the millisecond, read back in a
# zone whose offset is not a whole hour (+05:30): not UTC, no month off by
# one, a four-digit year, milliseconds from the clock.
if new_case "log stamps are the local time of the run"; then
    start=$(date +%s%3N)
    run TZ=IST-5:30 -- 10.1.2.3 80 9 "$DAT" "$LOGS"
    end=$(date +%s%3N)
    success_log 10.1.2.3 80 10.1.2.3
    while IFS=$'\t' read -r stamp _; do
        when=$(TZ=IST-5:30 date -d "$stamp" +%s%3N) &&
            [[ $stamp =~ ^(0[1-9]|1[0-2])/[0-3][0-9]/[0-9]{4}\  ]] &&
            [ "$when" -ge "$start" ] && [ "$when" -le "$end" ] ||
            { fail "stamp $stamp ($when ms) is not within the run ($start to $end ms)"; break; }
    done <"$RUN_LOG"
    done_case
fi

[ "$(ls -A /)" = "$ROOT_BEFORE" ] ||
    { echo "FAIL the suite changed /: $(diff <(echo "$ROOT_BEFORE") <(ls -A /) | xargs)"; FAIL=$((FAIL + 1)); }
echo "$PASS passed, $FAIL failed, $SKIP skipped"
[ "$FAIL" = 0 ]
