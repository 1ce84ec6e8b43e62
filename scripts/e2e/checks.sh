#!/bin/sh
# Runs the check table inside the test guest against the simulated receiver
# (kestrelon-uhid-dongle) through the real kernel, hidraw and hidapi.
# Usage: sh checks.sh TABLE. Exit status 0 when every check passed.
# The table's own header says what a line may hold.

CLI=kestrelon-mfg-cli
DONGLE=kestrelon-uhid-dongle
CHECK_SECONDS=${CHECK_SECONDS:-30}
checks=0
failed=0
dongle_pid=

say() { echo "e2e: $*"; }
uptime_cs() { tr -d . < /proc/uptime | cut -d ' ' -f 1; }
# Sets $took to the seconds since the previous check ended, so slow checks
# stand out (not in a subshell: it moves the mark).
lap() {
    now=$(uptime_cs)
    took=$(printf '%d.%02d s' $(((now - last) / 100)) $(((now - last) % 100)))
    last=$now
}
pass() { checks=$((checks + 1)); lap; say "ok   $checks ($took) $1"; }
flunk() {
    checks=$((checks + 1)); failed=$((failed + 1))
    lap
    say "FAIL $checks ($took) $1"
    shift
    for line in "$@"; do echo "     $line"; done
}

trim() { echo "$1" | sed 's/^[[:space:]]*//; s/[[:space:]]*$//'; }

hidraw_count() { ls /dev/hidraw* 2>/dev/null | wc -l; }

# Waits up to 5 s until exactly $1 hidraw nodes exist.
wait_nodes() {
    i=0
    while [ "$(hidraw_count)" -ne "$1" ]; do
        i=$((i + 1))
        [ $i -gt 50 ] && return 1
        sleep 0.1
    done
}

dongle_stop() {
    [ -n "$dongle_pid" ] || return 0
    kill -"${1:-TERM}" "$dongle_pid" 2>/dev/null
    wait "$dongle_pid"
    dongle_pid=
    wait_nodes 0
}

# (Re)plugs the receiver with the given options; both interfaces must show.
dongle_start() {
    dongle_stop
    : > /tmp/dongle.out
    # shellcheck disable=SC2086
    $DONGLE $1 < /dev/null > /tmp/dongle.out 2>> /tmp/dongle.log &
    dongle_pid=$!
    i=0
    until grep -q '^ready' /tmp/dongle.out; do
        i=$((i + 1))
        if [ $i -gt 50 ] || ! kill -0 "$dongle_pid" 2>/dev/null; then
            flunk "dongle $1" "no ready line from $DONGLE" "$(tail -n 5 /tmp/dongle.log)"
            dongle_pid=
            return
        fi
        sleep 0.1
    done
    if wait_nodes 2; then pass "dongle $1"; else flunk "dongle $1" "its two hidraw nodes did not appear: $(ls /dev/hidraw* 2>&1)"; fi
}

# Runs the command line; sets $status and leaves stdout+stderr in /tmp/out,
# stdout alone in /tmp/stdout.
run_cli() {
    set -f
    # shellcheck disable=SC2086
    timeout -s KILL "$CHECK_SECONDS" $CLI $1 < /dev/null > /tmp/stdout 2> /tmp/stderr
    status=$?
    set +f
    # A command that fails mid-line must not glue its error to that line.
    { cat /tmp/stdout; [ -n "$(tail -c 1 /tmp/stdout)" ] && echo; cat /tmp/stderr; } > /tmp/out
}

describe_status() {
    case $1 in
        137) echo "hung: killed after ${CHECK_SECONDS} s" ;;
        1[2-9][0-9]) echo "crashed: signal $(($1 - 128))" ;;
        *) echo "exit status $1" ;;
    esac
}

# STATUS | PATTERN | ARGS
expect() {
    want=$1 pattern=$2 args=$3
    run_cli "$args"
    why=
    [ "$status" = "$want" ] || why="$(describe_status "$status"), wanted $want"
    case $pattern in
        !*) grep -Eq -- "${pattern#!}" /tmp/out && why="${why:+$why; }output matches ${pattern#!}" ;;
        *) grep -Eq -- "$pattern" /tmp/out || why="${why:+$why; }output does not match $pattern" ;;
    esac
    if [ -z "$why" ]; then
        # Show what the operator would read on an expected failure.
        if [ "$want" = 0 ]; then pass "$args"
        elif [ -s /tmp/stderr ]; then pass "$args => $(head -n 1 /tmp/stderr)"
        else pass "$args => $(tail -n 1 /tmp/stdout)"; fi
    else flunk "$args" "$why" "$(sed 's/^/| /' /tmp/out | tail -n 15)"; fi
}

# same | ARGS A | ARGS B: both succeed and print the same.
same() {
    run_cli "$1"; sa=$status; cp /tmp/stdout /tmp/same.a
    run_cli "$2"; sb=$status; cp /tmp/stdout /tmp/same.b
    if [ "$sa" = 0 ] && [ "$sb" = 0 ] && cmp -s /tmp/same.a /tmp/same.b; then
        pass "same: $1 / $2"
    else
        flunk "same: $1 / $2" "exit statuses $sa and $sb" "$(diff /tmp/same.a /tmp/same.b | head -n 20)"
    fi
}

# --- plug to Go -------------------------------------------------------------
# `kestrelon-mfg-cli watch` runs beside the receiver's plugs and unplugs and
# stamps each change of the lamps and Go with the monotonic clock, on which
# the receiver stamps the moments it was plugged and pulled out.
watch_pid=
watch_start() { # [VAR=VALUE]: the watcher's environment
    watch_stop
    mkdir -p /tmp/watch && : > /tmp/watch.out
    # shellcheck disable=SC2086
    env $1 $CLI watch --settings /tmp/watch/TX.ini < /dev/null > /tmp/watch.out 2> /tmp/watch.err &
    watch_pid=$!
    i=0
    until [ -s /tmp/watch.out ]; do
        i=$((i + 1)); [ $i -gt 100 ] && return 1; sleep 0.05
    done
}
watch_stop() {
    [ -n "$watch_pid" ] || return 0
    kill "$watch_pid" 2>/dev/null; wait "$watch_pid" 2>/dev/null; watch_pid=
}
# Waits up to $2 s for the watcher's first line at or after $1 ms that
# matches the awk condition $3; prints its delay from $1 in ms.
watch_delay() {
    i=0 limit=$(($2 * 20))
    while [ $i -le $limit ]; do
        d=$(awk -v t="$1" "\$1 >= t && ($3) { print \$1 - t; exit }" /tmp/watch.out)
        [ -n "$d" ] && { echo "$d"; return 0; }
        i=$((i + 1)); sleep 0.05
    done
    return 1
}
lit='$2 != "RX=off" && $3 != "TX=off" && $4 == "Go=on"'
dark='$2 == "RX=off" && $3 == "TX=off"'
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One plug and one unplug; sets $go and $off (ms), or returns 1 with $why.
# With "plug-only" the lamps are not waited for after the unplug.
plug_cycle() { # SECONDS to wait for each [plug-only]
    : > /tmp/dongle.out   # emptied before the receiver starts: no earlier plug's line is read
    $DONGLE < /dev/null > /tmp/dongle.out 2>> /tmp/dongle.log &
    dongle_pid=$!
    i=0
    until grep -q '^plugged at' /tmp/dongle.out; do
        i=$((i + 1)); [ $i -gt 100 ] && { why="no 'plugged at' line from $DONGLE"; return 1; }; sleep 0.05
    done
    at=$(sed -n 's/^plugged at \([0-9]*\) ms$/\1/p' /tmp/dongle.out)
    go=$(watch_delay "$at" "$1" "$lit") || { why="no Go within $1 s of the plug"; return 1; }
    kill -USR1 "$dongle_pid"; wait "$dongle_pid"; dongle_pid=
    off=-
    [ "${2:-}" = plug-only ] && return 0
    at=$(sed -n 's/^unplugged at \([0-9]*\) ms$/\1/p' /tmp/dongle.out)
    off=$(watch_delay "$at" "$1" "$dark") || { why="lamps still lit $1 s after the unplug"; return 1; }
}

# plug-to-go N: N plugs and unplugs with the system's device events; the
# medians must stay under 1 s (the 5 s timer alone takes seconds), the
# goal is 0.5 s. plug-to-go timer: one plug with the events switched off,
# which the detection timer alone must still find (within its 5 s).
plug_to_go() {
    dongle_stop
    what="plug-to-Go $1"
    env=
    rounds=$1 wait_s=3 only=
    [ "$1" = timer ] && { env=KESTRELON_HOTPLUG=off rounds=1 wait_s=7 only=plug-only; }
    watch_start "$env" || { flunk "$what" "kestrelon-mfg-cli watch did not start" "$(cat /tmp/watch.err)"; return; }
    gos= offs=
    n=0
    while [ $n -lt "$rounds" ]; do
        n=$((n + 1))
        if ! plug_cycle "$wait_s" $only; then
            [ -n "$dongle_pid" ] && { kill "$dongle_pid"; wait "$dongle_pid"; dongle_pid=; }
            watch_stop
            flunk "$what" "round $n: $why" "$(head -n 1 /tmp/watch.err)" "$(tail -n 5 /tmp/watch.out)"
            return
        fi
        gos="$gos $go" offs="$offs $off"
    done
    watch_stop
    wait_nodes 0
    source=$(sed -n 's/^watching: //p' /tmp/watch.err)
    if [ "$1" = timer ]; then
        pass "$what: Go after $go ms ($source)"
        return
    fi
    mgo=$(echo "$gos" | median) moff=$(echo "$offs" | median)
    goal=met
    [ "$mgo" -lt 500 ] && [ "$moff" -lt 500 ] || goal=missed
    say "plug-to-Go: median ${mgo} ms, unplug to lamps off: median ${moff} ms, of $rounds (goal < 500 ms $goal; $source)"
    say "plug-to-Go: each plug ${gos# } ms; each unplug ${offs# } ms"
    if [ "$mgo" -lt 1000 ] && [ "$moff" -lt 1000 ]; then pass "$what: medians ${mgo} ms and ${moff} ms"
    else flunk "$what" "medians ${mgo} ms to Go and ${moff} ms to lamps off: the device events did not work"; fi
}

[ -r "$1" ] || { say "no check table '$1'"; exit 1; }
last=$(uptime_cs)
say "guest up after $(cut -d ' ' -f 1 /proc/uptime) s"
$CLI --help > /tmp/help.txt 2>&1
say "commands: $(sed -n 's/^  \([a-z][a-z-]*\)  .*/\1/p' /tmp/help.txt | tr '\n' ' ')"

while IFS= read -r line || [ -n "$line" ]; do
    line=$(trim "$line")
    case $line in
        ''|'#'*) continue ;;
        dongle|dongle\ *) dongle_start "$(trim "${line#dongle}")" ;;
        plug-to-go\ *) plug_to_go "$(trim "${line#plug-to-go}")" ;;
        unplug)
            if [ -z "$dongle_pid" ]; then flunk unplug "no receiver plugged"
            elif dongle_stop USR1; then pass "unplug"
            else flunk unplug "hidraw nodes still there: $(ls /dev/hidraw* 2>&1)"; fi ;;
        *'|'*)
            f1=$(trim "${line%%|*}"); rest=${line#*|}
            case $f1 in
                sh) rest=$(trim "$rest")
                    if sh -c "$rest" < /dev/null > /tmp/out 2>&1; then pass "sh: $rest"
                    else flunk "sh: $rest" "$(tail -n 10 /tmp/out)"; fi ;;
                same) same "$(trim "${rest%%|*}")" "$(trim "${rest#*|}")" ;;
                [0-9]*) expect "$f1" "$(trim "${rest%%|*}")" "$(trim "${rest#*|}")" ;;
                *) flunk "$line" "unknown check kind '$f1'" ;;
            esac ;;
        *) flunk "$line" "not a table line" ;;
    esac
done < "$1"
dongle_stop
watch_stop

[ -s /tmp/dongle.log ] && sed 's/^/dongle: /' /tmp/dongle.log
say "$checks checks, $failed failed"
[ "$checks" -gt 0 ] && [ "$failed" -eq 0 ]
