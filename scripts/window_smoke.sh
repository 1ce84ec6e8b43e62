#!/usr/bin/env bash
# The window on a virtual X display, as an operator uses it: start
# `KESTRELON_SIM=1 kestrelon-mfg` with a stored language in a folder of its
# own, press Page Down after 7 s, close it with SIGTERM, and check that the
# unit passed (the RF-ID counters in TX.ini moved on) and that closing ended
# the program with status 0. Before that, five starts measure the time from
# start to the mapped window (the median is printed).
#
#   bash scripts/window_smoke.sh [BUILD_DIR]      needs Xvfb and xdotool
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
for t in Xvfb xdotool; do
  command -v "$t" >/dev/null || { echo "window smoke: $t missing (bash scripts/setup.sh --tests)" >&2; exit 2; }
done

work=$(mktemp -d)
xpid=""
cleanup() {
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A copy under a name of this run: only one copy of a program name runs per
# user, and this one must not end anybody else's.
exe="$work/kestrelon-mfg-smoke-$$"
cp "$build/kestrelon-mfg" "$exe"
mkdir -p "$work/config/KESTRELON" "$work/line"
printf '[General]\nLngSection=lkEng\n' >"$work/config/KESTRELON/RF_BIND.conf"
export XDG_CONFIG_HOME="$work/config" KESTRELON_SIM=1

for n in $(seq 80 120); do [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }; done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xpid=$!
export DISPLAY=$display
for _ in $(seq 100); do
  [ -S "/tmp/.X11-unix/X${display#:}" ] && xdotool getmouselocation >/dev/null 2>&1 && break
  sleep 0.05
done

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# Starts the program in the line folder; prints the window id once mapped.
start() {
  (cd "$work/line" && exec "$exe") &
  pid=$!
  for _ in $(seq 2000); do
    w=$(xdotool search --onlyvisible --name 'TempID=' 2>/dev/null | head -n1 || true)
    [ -n "$w" ] && return 0
    kill -0 "$pid" 2>/dev/null || { echo "window smoke: the program ended before its window showed" >&2; exit 1; }
    sleep 0.005
  done
  echo "window smoke: no window after 10 s" >&2
  exit 1
}
stop() {
  kill -TERM "$pid"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { echo "window smoke: closing ended with status $status, not 0" >&2; exit 1; }
}

times=()
for _ in 1 2 3 4 5; do
  rm -f "$work/line/TX.ini"
  t0=$(now_ms)
  start
  times+=($(( $(now_ms) - t0 )))
  stop
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
echo "window smoke: start to mapped window ${sorted}ms, median $(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p) ms"

# Sequential RF IDs, so a passing unit leaves its IDs in the counters.
cat >"$work/line/TX.ini" <<'EOF'
[TX]
RXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 4096;  IncPrevRFID = 4095;  IncCurrentRFID = 0;end;
TXRFIDINFO=object TProdRFID;  IsRandom = False;  IncInitRFID = 8192;  IncPrevRFID = 8191;  IncCurrentRFID = 0;end;
EOF
start
sleep 7
xdotool key --window "$w" Next
sleep 6
stop
if grep -q 'RXRFIDINFO=.*IncCurrentRFID = [1-9]' "$work/line/TX.ini" &&
   grep -q 'TXRFIDINFO=.*IncCurrentRFID = [1-9]' "$work/line/TX.ini"; then
  echo "window smoke: Page Down programmed a unit (PASS: its RF IDs are the counters' current values in TX.ini)"
else
  echo "window smoke: no passing unit; TX.ini:" >&2
  cat "$work/line/TX.ini" >&2
  exit 1
fi
