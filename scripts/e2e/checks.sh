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

[ -s /tmp/dongle.log ] && sed 's/^/dongle: /' /tmp/dongle.log
say "$checks checks, $failed failed"
[ "$checks" -gt 0 ] && [ "$failed" -eq 0 ]
