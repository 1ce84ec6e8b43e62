#!/usr/bin/env bash
# The window's language at start-up, on a private Xvfb display:
#  1. no stored language: the 353 x 182 language dialog comes before the main
#     window, and Enter stores "lkEng" (English locale);
#  2. a stored "CHS": the main window comes at once, in Simplified Chinese,
#     and the stored value stays as it was;
#  3. the settings password cannot be read from the program with `strings`.
#
#   scripts/window_language_check.sh [BUILD_DIR] [--shots DIR]
#
# --shots DIR also saves the window in English, Traditional and Simplified
# Chinese, and, when KESTRELON_PASSWORD holds the settings password, with the
# settings unlocked and model "03" chosen. Needs xvfb, xdotool, x11-utils,
# and imagemagick for the pictures; binutils for strings.
set -euo pipefail

build=build
shots=""
while [ $# -gt 0 ]; do
  case "$1" in
    --shots) shots=$(realpath -m "$2"); shift 2;;
    *) build=$1; shift;;
  esac
done
program=$(realpath "$build/kestrelon-mfg")
for t in Xvfb xdotool xdpyinfo import compare strings; do
  command -v "$t" >/dev/null || { echo "window check: $t is missing (bash scripts/setup.sh --tests)" >&2; exit 2; }
done

work=$(mktemp -d)
xpid=""
ppid=""
stop_program() {
  if [ -n "$ppid" ]; then
    kill "$ppid" 2>/dev/null || true
    for _ in $(seq 20); do kill -0 "$ppid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$ppid" 2>/dev/null || true
    wait "$ppid" 2>/dev/null || true
    ppid=""
  fi
}
cleanup() {
  stop_program
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# One copy per user runs; a copy under a name of its own leaves any other
# kestrelon-mfg of this user alone.
cp "$program" "$work/kestrelon-mfg-langcheck"
mkdir -p "$work/run"

for n in $(seq 90 140); do [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }; done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

# Starts the program with its own per-user settings folder ($1) and sets w
# to its first visible window (empty when none came).
start() {
  (cd "$work/run" && XDG_CONFIG_HOME=$1 LANG=en_US.UTF-8 LANGUAGE=en KESTRELON_SIM=1 \
     exec "$work/kestrelon-mfg-langcheck" >"$work/log" 2>&1) &
  ppid=$!
  w=""
  for _ in $(seq 250); do
    w=$(xdotool search --onlyvisible --name . 2>/dev/null | head -n1 || true)
    [ -n "$w" ] && break
    sleep 0.04
  done
}
size_of() { xdotool getwindowgeometry "$1" 2>/dev/null | sed -n 's/.*Geometry: //p'; }
visible_windows() { xdotool search --onlyvisible --name . 2>/dev/null | wc -l; }
stored() { cat "$1/KESTRELON/RF_BIND.conf" 2>/dev/null || true; }
shot() { sleep 1; import -window root -crop 900x616+190+204 +repage "$1"; }

# 1. First start.
config=$work/first
mkdir -p "$config"
start "$config"
if [ -z "$w" ]; then
  fail "no window came up"; cat "$work/log"
else
  sleep 0.5
  [ "$(size_of "$w")" = "353x182" ] && pass "first window is the 353 x 182 language dialog" \
    || fail "first window is $(size_of "$w"), not the language dialog"
  [ "$(visible_windows)" = 1 ] && pass "no main window while the dialog waits" || fail "another window beside the dialog"
  [ -z "$(stored "$config")" ] && pass "nothing stored before the choice" || fail "stored before the choice"
  xdotool key --window "$w" Return 2>/dev/null || true
  main=""
  for _ in $(seq 100); do
    main=$(xdotool search --onlyvisible --name . 2>/dev/null | head -n1 || true)
    [ -n "$main" ] && [ "$(size_of "$main")" = "900x616" ] && break
    sleep 0.05
  done
  [ -n "$main" ] && [ "$(size_of "$main")" = "900x616" ] && pass "Enter shows the 900 x 616 main window" \
    || fail "no main window after Enter"
  grep -qx "LngSection=lkEng" <<<"$(stored "$config")" && pass "Enter stored lkEng" \
    || fail "stored: $(stored "$config")"
  shot "$work/english.png"
fi
stop_program

# 2. A stored "CHS" and the other languages.
for lang in CHS lkCht; do
  config=$work/$lang
  mkdir -p "$config/KESTRELON"
  printf '[General]\nLngSection=%s\n' "$lang" >"$config/KESTRELON/RF_BIND.conf"
  before=$(stored "$config")
  start "$config"
  if [ -z "$w" ]; then
    fail "$lang: no window came up"; continue
  fi
  sleep 0.5
  [ "$(size_of "$w")" = "900x616" ] && pass "$lang: the main window without the dialog" \
    || fail "$lang: first window is $(size_of "$w")"
  shot "$work/$lang.png"
  [ "$(stored "$config")" = "$before" ] && pass "$lang: the stored value is untouched" || fail "$lang: rewritten"
  stop_program
done
# Captions differ from English: the windows differ in many pixels.
for lang in CHS lkCht; do
  [ -f "$work/english.png" ] && [ -f "$work/$lang.png" ] || continue
  differing=$(compare -metric AE "$work/english.png" "$work/$lang.png" null: 2>&1 || true)
  [ "${differing%%.*}" -gt 2000 ] 2>/dev/null && pass "$lang: captions differ from English ($differing pixels)" \
    || fail "$lang: looks like English ($differing pixels differ)"
done

# 3. The password is not in the program.
if strings -a "$program" | grep -q "BrelhawQS"; then fail "the password can be read with strings"
else pass "strings does not show the password"; fi

if [ -n "$shots" ]; then
  mkdir -p "$shots"
  cp "$work/english.png" "$shots/window-english.png"
  cp "$work/lkCht.png" "$shots/window-traditional-chinese.png"
  cp "$work/CHS.png" "$shots/window-simplified-chinese.png"
  if [ -n "${KESTRELON_PASSWORD:-}" ]; then
    start "$work/first"
    sleep 1
    for _ in 1 2 3 4 5; do
      xdotool mousemove --window "$w" 117 56 click --repeat 2 --delay 60 1
      sleep 0.6
    done
    xdotool type --delay 30 "$KESTRELON_PASSWORD"
    xdotool key Return
    sleep 0.5
    xdotool mousemove --window "$w" $((313 + 164 + 8)) $((31 + 22 + 8)) click 1
    shot "$shots/window-unlocked.png"
    stop_program
  fi
  echo "pictures in $shots"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all window language checks passed"
