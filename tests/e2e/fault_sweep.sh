#!/usr/bin/env bash
# Fault sweep: every NSPR call the tool makes is made to fail in turn.
#
# usage: fault_sweep.sh TOOL SHIM   (TOOL linked against a shared NSPR)
#
# For each scenario, one clean run counts the watched NSPR calls; then the
# scenario is run again once per call N, with the N-th call failing, once
# with a plausible NSPR error set and once with no error set. Every run must:
#   - end by itself, without a crash, within its time limit;
#   - exit 0 only with exactly the right 32 bytes in the DAT file;
#   - otherwise exit with the code the failed call set, or PR_UNKNOWN_ERROR
#     where it set none;
#   - leave the DAT file either absent or exactly right, never torn;
#   - write only whole, well-formed log lines, with an exit line that matches
#     the exit status;
#   - change nothing outside the DAT file and the trace logs, and delete only
#     logs the purge condemns.
set -u

. "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
RUNNER=(timeout -s KILL 30 "${RUNNER[@]}")

S=$WORK/sandbox
DAT=$S/dat/out.dat
LOGS=$S/logs
RUNS=0
declare -A COVERED=()

# Old and large logs the purge condemns, logs it keeps, look-alikes, and a
# file beside the DAT file.
prepare() {
    rm -rf "$S"
    mkdir -p "$S/dat" "$LOGS" "$LOGS/Tralvinex16.log"
    echo keep >"$S/dat/neighbour.txt"
    printf '01/02/2003 04:05:06.007\told\r\n' >"$LOGS/Tralvinex11.log"
    head -c 10240 /dev/zero >"$LOGS/TRALVINEX12.LOG"
    printf '01/02/2003 04:05:06.007\tkept\r\n' >"$LOGS/Tralvinex13.log"
    head -c 20000 /dev/zero >"$LOGS/Tralvinex42.log.bak"
    touch -d @1000 "$LOGS/Tralvinex11.log" "$LOGS/Tralvinex42.log.bak" "$LOGS/Tralvinex16.log"
}
CONDEMNED="$LOGS/Tralvinex11.log|$LOGS/TRALVINEX12.LOG"

# Nothing but the DAT file and new trace logs appeared, and nothing but
# condemned logs and the DAT file changed or went.
only_own_files_changed() {
    local after gone added
    after=$(snapshot "$S")
    gone=$(comm -23 <(echo "$BEFORE") <(echo "$after") | grep -v -E "^($CONDEMNED|$DAT) ")
    added=$(comm -13 <(echo "$BEFORE") <(echo "$after") | grep -v -E "^$DAT " |
        while read -r path _; do
            if ! [[ $path =~ /Tralvinex[0-9]+\.log$ ]] || grep -q "^$path " <<<"$BEFORE"; then
                echo "$path"
            fi
        done)
    [ -z "$gone$added" ] || { echo "changed: $gone $added"; return 1; }
}

logs_well_formed() {
    local f
    for f in "$LOGS"/Tralvinex*.log; do
        [[ $f =~ /Tralvinex[0-9]+\.log$ ]] && [ -f "$f" ] || continue
        if log_messages "$f" | grep -q '^MALFORMED'; then
            log_messages "$f" | grep '^MALFORMED' | head -3
            return 1
        fi
    done
}

# The exit line of the run's log, where there is one, shows the full code.
exit_line_matches() {
    local f code
    for f in "$LOGS"/Tralvinex*.log; do
        [[ $f =~ /Tralvinex[0-9]+\.log$ ]] && [ -f "$f" ] || continue
        code=$(log_messages "$f" | sed -n 's/^Exiting with \(-\{0,1\}[0-9]*\)\.$/\1/p' | tail -1)
        [ -z "$code" ] || [ $((code & 255)) = "$RC" ] || return 1
    done
}

dat_right() { [ -f "$DAT" ] && [ "$(hex "$DAT")" = "$WANT" ]; }
# A failed write may leave the file its open created, empty: no record.
dat_absent_or_right() { [ ! -s "$DAT" ] || dat_right; }

# sweep NAME WANT_STATUS ARGS...: WANT_STATUS is the clean run's status.
sweep() {
    local name=$1 clean=$2 count n mode failed code want
    shift 2
    WANT=$(record 80 10.1.2.3)

    prepare
    rm -f "$WORK/trace"
    LABEL="$name, clean run"
    run LD_PRELOAD="$SHIM" TRALVINEX_FAULT_TRACE="$WORK/trace" -- "$@"
    check "clean run exits $RC, expected $clean" [ "$RC" = "$clean" ]
    count=$(wc -l <"$WORK/trace" 2>/dev/null || echo 0)
    check "the shim watched the clean run" [ "$count" -gt 0 ]
    for c in $(sort -u "$WORK/trace"); do COVERED[$c]=1; done

    for n in $(seq 1 "$count"); do
        for mode in plausible none; do
            prepare
            BEFORE=$(snapshot "$S")
            rm -f "$WORK/trace"
            local envs=(LD_PRELOAD="$SHIM" TRALVINEX_FAULT_AT="$n" TRALVINEX_FAULT_TRACE="$WORK/trace")
            [ "$mode" = none ] && envs+=(TRALVINEX_FAULT_ERROR=none)
            run "${envs[@]}" -- "$@"
            RUNS=$((RUNS + 1))
            failed=$(grep ' FAIL' "$WORK/trace" | cut -d' ' -f1)
            LABEL="$name, call $n ($failed) fails, $mode error"
            code=$(grep ' FAIL' "$WORK/trace" | cut -d' ' -f3)
            [ "$mode" = none ] && code=-5994
            check "the call was made and failed" [ -n "$failed" ]
            check "no crash or hang (status $RC)" [ "$RC" -lt 129 -o "$RC" -gt 143 ]
            if [ "$RC" = 0 ]; then
                check "exit 0 with the right record" dat_right
            else
                want=$(st "${code:-0}")
                check "status $RC is the failed call's code ($want) or the clean run's ($clean)" \
                    [ "$RC" = "$want" -o "$RC" = "$clean" ]
                check "DAT absent or exactly right" dat_absent_or_right
            fi
            check "log lines whole and well-formed" logs_well_formed
            check "exit line matches the status" exit_line_matches
            check "nothing else changed" only_own_files_changed
        done
    done
}

sweep "logged success" 0 10.1.2.3 80 9 "$DAT" "$LOGS"
sweep "silent success" 0 10.1.2.3 80 0 "$DAT" "$LOGS"
sweep "failed lookup" "$(st -5973)" "" 80 9 "$DAT" "$LOGS"
sweep "logged success without purge" 0 10.1.2.3 80 9999 "$DAT" "$LOGS"

echo "fault sweep: ${#COVERED[@]} calls covered (${!COVERED[*]}), $RUNS runs, $HELD assertions held, $BROKEN broken"
[ "$BROKEN" = 0 ]
