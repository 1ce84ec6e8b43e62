#!/usr/bin/env bash
# Where the time goes, on this machine, in one run (about a minute; longer
# with --e2e). Prints a table for docs/performance.md:
#
#   bash scripts/bench.sh BUILD_DIR [--e2e]
#
# - one unit on the simulated pair in real time, against the mandated waits;
#   the same with the Windows build under wine, when scripts/windows.sh has
#   made it in build-win beside BUILD_DIR (KESTRELON_BENCH_WINDOWS=DIR names
#   another);
# - plug to Go through a kernel: the figures of the last end-to-end run in
#   BUILD_DIR/e2e/serial.log, or with --e2e a run of the plug checks alone;
# - one detection walk over 50 simulated HID interfaces;
# - resident memory after 1,000 units with --fast against after 10;
# - the window's start-up under Xvfb, and the longest event-loop gap during a
#   unit when the window's benchmark is built (KESTRELON_BENCH_GAP names
#   another command for it);
# - a number store shared by stations: the reservation's latency with 8
#   stations, and units per second of 1 to 8 `--fast` stations on it.
# Nothing else should run meanwhile: the figures are wall-clock times.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
die() { echo "bench: $*" >&2; exit 1; }
[ $# -ge 1 ] || die "usage: bash scripts/bench.sh BUILD_DIR [--e2e]"
build=$(cd "$1" && pwd) || die "no build directory '$1'"
e2e=0
[ "${2:-}" = --e2e ] && e2e=1
cli=$build/kestrelon-mfg-cli
[ -x "$cli" ] || die "$cli is missing: cmake --build $1"
scratch=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done
    [ -d "$scratch/store" ] && bash "$here/store_server.sh" stop "$scratch/store"
    rm -rf "$scratch"
}
trap cleanup EXIT

rows=()
row() { rows+=("| $1 | $2 | $3 |"); echo "bench: $1: $2" >&2; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)] }'; }

# --- one unit in real time ------------------------------------------------------
unit_row() { # TITLE FOLDER COMMAND...: the median of 3 units of run --sim --timing
    local title=$1 dir=$scratch/$2
    shift 2
    mkdir -p "$dir"
    (cd "$dir" && "$@" run --sim --timing --units 3 > /dev/null 2> timing.txt) || die "run --sim --timing failed ($*)"
    read -r wall waits xfer own keep < <(sed -n 's/^timing: unit [0-9]* wall \([0-9]*\) ms, mandated waits \([0-9]*\) ms, simulated transfers \([0-9.]*\) ms, own code \([0-9.]*\) ms.*settled \([0-9.]*\) ms.*/\1 \2 \3 \4 \5/p' \
        "$dir/timing.txt" | sort -n | sed -n 2p)
    [ -n "${wall:-}" ] || die "no timing lines from run --timing ($*)"
    row "$title" "${wall} ms" \
        "wall / mandated waits $(awk -v a="$wall" -v b="$waits" 'BEGIN { printf "%.3f", a / b }'): waits ${waits} ms, simulated USB transfers ${xfer} ms, own code ${own} ms"
}
unit_row "One unit on the simulated pair, real time (median of 3)" cycle "$cli"
row "Numbers reserved, recorded and settled, per unit (same unit)" "${keep} ms" \
    "$(awk -v k="$keep" -v w="$wall" 'BEGIN { printf "%.2f", 100 * k / w }') % of the unit's wall time: settings file replaced and forced to the disk, two record lines forced"

win=${KESTRELON_BENCH_WINDOWS:-$(dirname "$build")/build-win}
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ -f "$win/kestrelon-mfg-cli.exe" ] && [ -d "$win/wine-prefix" ] && [ -x "$wine" ]; then
    export WINEPREFIX=$(cd "$win" && pwd)/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unit_row "One unit, Windows build under wine 8 (median of 3)" cycle-wine "$wine" "$win/kestrelon-mfg-cli.exe"
else
    row "One unit, Windows build under wine" "not measured" "bash scripts/windows.sh build-win first (KESTRELON_BENCH_WINDOWS=DIR)"
fi

# --- 1,000 units on the virtual clock: what is left is our own code and the disk ----
mkdir -p "$scratch/fast"
start=$(date +%s%N)
(cd "$scratch/fast" && "$cli" run --sim --fast --units 1000 > /dev/null 2>&1) || die "run --sim --fast --units 1000 failed"
row "1,000 units with --fast (virtual clock)" "$((($(date +%s%N) - start) / 1000000)) ms" \
    "each unit: one settings save and two record lines forced to the disk"

# --- plug to Go -------------------------------------------------------------------
if [ $e2e -eq 1 ]; then
    echo "bench: booting the end-to-end guest for the plug checks" >&2
    KESTRELON_E2E_CHECKS=$here/e2e/plug_to_go.table bash "$here/e2e/run.sh" "$build" > "$scratch/e2e.txt" 2>&1 ||
        { tail -n 20 "$scratch/e2e.txt" >&2; die "the end-to-end plug checks failed"; }
    log=$scratch/e2e.txt
else
    log=$build/e2e/serial.log
fi
medians=$(grep -a '^e2e: plug-to-Go: median' "$log" 2> /dev/null | tail -n 1 || true)
timer=$(grep -a 'plug-to-Go timer: Go after' "$log" 2> /dev/null | tail -n 1 || true)
if [ -n "$medians" ]; then
    go=$(echo "$medians" | sed -n 's/.*median \([0-9]*\) ms, unplug.*/\1/p')
    off=$(echo "$medians" | sed -n 's/.*lamps off: median \([0-9]*\) ms.*/\1/p')
    # How the guest ran is in the host's output (with --e2e), not the guest's log.
    accel=$( (grep -a '^e2e: booting' "$log" || true) | tail -n 1 | sed -n 's/.*(\(.*\)).*/, \1/p')
    row "Plug to Go through the kernel (median of 5)" "${go} ms" "unplug to lamps off ${off} ms; qemu guest${accel}"
    [ -n "$timer" ] && row "Plug to Go, detection timer alone" \
        "$(echo "$timer" | sed -n 's/.*Go after \([0-9]*\) ms.*/\1/p') ms" "one plug; up to 5 s"
else
    row "Plug to Go through the kernel" "not measured" \
        "no end-to-end log: bash scripts/e2e/run.sh BUILD_DIR, or bench with --e2e"
fi

# --- detection walk -----------------------------------------------------------------
if [ -x "$build/kestrelon-bench-detection" ]; then
    "$build/kestrelon-bench-detection" 50 > "$scratch/walk.txt" || die "kestrelon-bench-detection failed"
    walk=$(sed -n 's/^one detection walk over \([0-9]*\) HID interfaces: median \([0-9.]*\) us.*/\2 us (\1 interfaces)/p' "$scratch/walk.txt")
    tick=$(sed -n 's/^one detection tick .*: median \([0-9.]*\) us.*/\1 us/p' "$scratch/walk.txt")
    row "One detection walk over 50 simulated HID interfaces" "${walk% (*}" "median; a whole tick that opens the receiver ${tick}"
else
    row "One detection walk over 50 simulated HID interfaces" "not measured" "build the target kestrelon-bench-detection"
fi

# --- memory ---------------------------------------------------------------------------
rss() { # UNITS: peak resident set in KB of run --sim --fast
    mkdir -p "$scratch/rss$1"
    (cd "$scratch/rss$1" && /usr/bin/time -f %M -o rss.txt "$cli" run --sim --fast --units "$1" > /dev/null 2>&1) ||
        die "run --sim --fast --units $1 failed"
    cat "$scratch/rss$1/rss.txt"
}
if [ -x /usr/bin/time ]; then
    r10=$(rss 10) r1000=$(rss 1000)
    row "Resident memory, run --sim --fast: 1,000 units against 10" "${r1000} KB against ${r10} KB" \
        "growth $((r1000 - r10)) KB (peak resident set)"
else
    row "Resident memory after 1,000 units" "not measured" "needs /usr/bin/time (Debian package time)"
fi

# --- the window -------------------------------------------------------------------------
window=$build/kestrelon-mfg
if [ -x "$window" ] && command -v Xvfb > /dev/null && command -v xdotool > /dev/null; then
    # A copy under its own name: one copy runs per user and name, and a
    # window of that name someone else runs must not be closed.
    cp "$window" "$scratch/kestrelon-mfg-bench-$$"
    mkdir -p "$scratch/config/KESTRELON" "$scratch/station"
    printf '[General]\nLngSection=lkEng\n' > "$scratch/config/KESTRELON/RF_BIND.conf"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$scratch/display" 2> /dev/null &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
    display=:$(cat "$scratch/display")
    times=()
    for _ in 1 2 3 4 5; do
        start=$(date +%s%N)
        (cd "$scratch/station" && DISPLAY=$display XDG_CONFIG_HOME=$scratch/config \
            exec "$scratch/kestrelon-mfg-bench-$$" > /dev/null 2>&1) &
        pid=$!
        # Polled: xdotool's own --sync looks only every half second.
        for _ in $(seq 1000); do
            if DISPLAY=$display xdotool search --onlyvisible --pid "$pid" > /dev/null 2>&1; then
                times+=($((($(date +%s%N) - start) / 1000000)))
                break
            fi
            kill -0 "$pid" 2> /dev/null || break
            sleep 0.01
        done
        kill "$pid" 2> /dev/null || true
        wait "$pid" 2> /dev/null || true
    done
    if [ ${#times[@]} -gt 0 ]; then
        row "Window start-up to a mapped window (median of ${#times[@]})" \
            "$(printf '%s\n' "${times[@]}" | median) ms" "Xvfb; no receiver; stored language"
    else
        row "Window start-up" "not measured" "the window did not map under Xvfb"
    fi
else
    row "Window start-up" "not measured" "needs $window, Xvfb and xdotool"
fi
gap=${KESTRELON_BENCH_GAP:-}
[ -z "$gap" ] && [ -x "$build/kestrelon-window-bench" ] && gap=$build/kestrelon-window-bench
if [ -n "$gap" ]; then
    out=$(QT_QPA_PLATFORM=offscreen $gap 2>&1 | tail -n 1) || out="failed: $out"
    row "Longest event-loop gap in the window during a unit" "$out" "$(basename "$gap")"
else
    row "Longest event-loop gap in the window during a unit" "not measured" \
        "the window's benchmark is not built (KESTRELON_BENCH_GAP=COMMAND names it)"
fi

# --- the number store ------------------------------------------------------------------
# A private server on a Unix socket, durable (fsync on) as a factory's would be.
if [ -x "$build/kestrelon-bench-store" ] && ls /usr/lib/postgresql/*/bin/pg_ctl > /dev/null 2>&1; then
    bash "$here/store_server.sh" start "$scratch/store" --durable
    store=$(cat "$scratch/store/uri")
    figures() { sed -n 's/.*: median \([0-9.]*\) ms, p99 \([0-9.]*\) ms.*(\([0-9]*\) reservations, \([0-9]*\) units\/s).*/median \1 ms, p99 \2 ms|\3 reservations, \4 units\/s/p'; }
    paced=$("$build/kestrelon-bench-store" "$store" 8 100 100 | figures) || die "kestrelon-bench-store failed"
    row "Reservation in a shared store, 8 stations, one unit each 100 ms" "${paced%%|*}" \
        "${paced##*|}; PostgreSQL on a Unix socket, fsync on"
    packed=$("$build/kestrelon-bench-store" "$store" 8 200 0 | figures) || die "kestrelon-bench-store failed"
    row "Reservation in a shared store, 8 stations back to back" "${packed%%|*}" "${packed##*|}, with settling"
    # run --sim --fast stations on the store: units per second for 1 to 8.
    mkdir -p "$scratch/line"
    printf '[TX]\r\nRXSNINFO=object TProdSN;  IsSN = True;  IsDate = False;  FixSNByteCount = 2;  FixSN = 16706;  IncSNByteCount = 4;  IncInitSN = 1;end;\r\nRXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;end;\r\n' \
        > "$scratch/line/TX.ini"
    "$cli" store init "$store" --settings "$scratch/line/TX.ini" > /dev/null || die "store init failed"
    rates=()
    for n in 1 2 4 8; do
        start=$(date +%s%N)
        stations=()
        for s in $(seq "$n"); do
            mkdir -p "$scratch/line/$n-$s"
            "$cli" run --sim --fast --units 100 --store "$store" --settings "$scratch/line/$n-$s/TX.ini" > /dev/null 2>&1 &
            stations+=($!)
        done
        for p in "${stations[@]}"; do wait "$p" || die "a run --sim --fast station on the store failed"; done
        rates+=("$n: $(awk -v u=$((n * 100)) -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.0f", u / (ns / 1e9) }')")
    done
    (cd "$scratch/line" && mkdir file && cd file && start=$(date +%s%N) &&
        "$cli" run --sim --fast --units 100 > /dev/null 2>&1 &&
        echo $(((100 * 1000000000) / ($(date +%s%N) - start))) > rate) || die "run --sim --fast failed"
    row "run --sim --fast stations on one store, units/s by number of stations" "$(IFS=,; echo "${rates[*]}" | sed 's/,/, /g')" \
        "100 units each; one station on its own settings file: $(cat "$scratch/line/file/rate") units/s"
    bash "$here/store_server.sh" stop "$scratch/store"
else
    row "Reservation in a shared store" "not measured" "needs kestrelon-bench-store and the postgresql package"
fi

# --- the table ----------------------------------------------------------------------------
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) CPUs ($cpu), $(free -m | awk '/^Mem:/ { print $2 }') MB," \
     "Linux $(uname -r), $(sed -n 's/^PRETTY_NAME="\(.*\)"/\1/p' /etc/os-release), build $(basename "$build")"
echo
echo "| Figure | Value | Notes |"
echo "|---|---|---|"
printf '%s\n' "${rows[@]}"
