#!/usr/bin/env bash
# Concurrency stress: many runs start at the same moment and share one log
# directory and one DAT file, with different hosts, ports and log levels
# (silent, logging, logging without purge), while the directory holds old and
# oversized logs and files that only look like logs.
#
# usage: stress.sh TOOL SHIM [RUNS]
#
# Every run must exit 0; the DAT file must hold one whole valid record every
# time it is read, during the runs and after; every logging run's log must be
# complete and well-formed; the purge must have deleted the condemned logs and
# nothing else. Runs still going after 60 s are killed, so the test ends.
set -u

. "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
RUNS=${3:-64}
LEVELS=(0 9 9999)

S=$WORK/shared
DAT=$S/out.dat
LOGS=$S/logs
GATE=$WORK/gate

host_of() { if [ "$HERMETIC" = 1 ]; then echo "host$1.example"; else address_of "$1"; fi; }
address_of() { echo "10.20.$(($1 / 200)).$(($1 % 200 + 1))"; }
port_of() { echo $((2000 + $1)); }

for i in $(seq 0 $((RUNS - 1))); do
    echo "$(address_of "$i") host$i.example" >>"$HOSTS"
    record "$(port_of "$i")" "$(address_of "$i")" >>"$WORK/valid"
    echo >>"$WORK/valid"
done

mkdir -p "$LOGS" "$LOGS/Tralvinex99.log"
for i in 1 2 3 4 5; do
    printf '01/02/2003 04:05:06.007\told\r\n' >"$LOGS/Tralvinex1$i.log"
    touch -d @1000 "$LOGS/Tralvinex1$i.log"
    head -c 10240 /dev/zero >"$LOGS/tralvinex2$i.LOG"
    printf '01/02/2003 04:05:06.007\tkept\r\n' >"$LOGS/Tralvinex3$i.log"
    head -c 20000 /dev/zero >"$LOGS/Tralvinex4$i.log.bak"
    head -c 20000 /dev/zero >"$LOGS/xTralvinex5$i.log"
    touch -d @1000 "$LOGS/Tralvinex4$i.log.bak" "$LOGS/xTralvinex5$i.log"
done
touch -d @1000 "$LOGS/Tralvinex99.log"
KEPT=$(cd "$LOGS" && ls -A | grep -v -E '^(Tralvinex1.|tralvinex2.)\.(log|LOG)$' | sort)
KEPT_STATE=$(cd "$LOGS" && for f in $KEPT; do [ -f "$f" ] && md5sum "$f"; done)

# Every run waits at the gate (a shared lock the test holds) until all are
# ready, so that they start together.
exec 9>"$GATE"
flock -x 9
pids=()
for i in $(seq 0 $((RUNS - 1))); do
    "${ISOLATE[@]}" sh -c 'touch "$0.$1"; flock -s "$0" true; shift; exec "$@"' "$GATE" "$i" \
        "${RUNNER[@]}" "$TOOL" "$(host_of "$i")" "$(port_of "$i")" \
        "${LEVELS[i % 3]}" "$DAT" "$LOGS" </dev/null >/dev/null 2>&1 &
    pids[i]=$!
done
for _ in $(seq 1 300); do
    [ "$(ls "$GATE".* 2>/dev/null | wc -l)" -ge "$RUNS" ] && break
    sleep 0.1
done

# Nothing may hang the test: whatever still runs after 60 s is killed.
( sleep 60; kill -KILL "${pids[@]}" ) >/dev/null 2>&1 &
watchdog=$!

# Read the DAT file over and over while the runs go on.
(
    while [ ! -e "$WORK/stop" ]; do
        [ -s "$DAT" ] && hex "$DAT" >>"$WORK/samples" && echo >>"$WORK/samples"
    done
) &
sampler=$!
flock -u 9

statuses=()
for i in $(seq 0 $((RUNS - 1))); do
    wait "${pids[i]}"
    statuses[i]=$?
done
touch "$WORK/stop"
wait "$sampler"
kill "$watchdog" 2>/dev/null

for i in $(seq 0 $((RUNS - 1))); do
    check "run $i exits ${statuses[i]}, expected 0" [ "${statuses[i]}" = 0 ]
done

samples=$(sort -u "$WORK/samples" 2>/dev/null | grep -c .)
check "every DAT read during the runs is a valid record" \
    [ -z "$(sort -u "$WORK/samples" 2>/dev/null | grep . | grep -v -x -F -f "$WORK/valid")" ]
check "the DAT file ends as a valid record" grep -q -x -F "$(hex "$DAT")" "$WORK/valid"

for i in $(seq 0 $((RUNS - 1))); do
    [ "${LEVELS[i % 3]}" = 0 ] && continue
    log=$LOGS/Tralvinex${pids[i]}.log
    host=$(host_of "$i")
    mapfile -t want < <(echo "$BANNER"; echo "Initializing NSPR..."
        echo "Host=($host), Port=($(port_of "$i")), DatFile=($DAT), LogDir=($LOGS)"
        echo "Resolving hostname..."; echo "Enumerating host entry..."; echo "Enumerated!"
        echo "($host) => ($(address_of "$i"))"; echo "Shutting down NSPR..."; echo "Exiting with 0."
        echo "$BANNER")
    check "run $i's log is complete and well-formed" \
        [ -f "$log" ] && [ "$(log_messages "$log")" = "$(printf '%s\n' "${want[@]}")" ]
done

check "condemned logs were deleted" \
    [ -z "$(cd "$LOGS" && ls -A | grep -E '^(Tralvinex1.|tralvinex2.)\.(log|LOG)$')" ]
check "every other file survived unchanged" \
    [ "$(cd "$LOGS" && for f in $KEPT; do [ -f "$f" ] && md5sum "$f"; done)" = "$KEPT_STATE" ]
check "the matching directory survived" [ -d "$LOGS/Tralvinex99.log" ]
check "no log but the runs' own appeared" \
    [ -z "$(cd "$LOGS" && ls -A | grep -v -x -F "$KEPT" | grep -v -E '^Tralvinex[0-9]+\.log$')" ]

echo "stress: $RUNS runs at once, $samples distinct DAT reads, $HELD assertions held, $BROKEN broken"
[ "$BROKEN" = 0 ]
