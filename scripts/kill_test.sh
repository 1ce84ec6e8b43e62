#!/usr/bin/env bash
# Kills the production line at random moments, over and over, and checks
# what must hold however a run ends:
#   - no serial number, and no RF ID in sequential mode, is in two PASS
#     records;
#   - every unit reported PASS has its "pass" line in the record file;
#   - after every kill, `records check` finds every reserved number passed,
#     failed or interrupted, none on two passing units and the counters past
#     every number a unit kept (the second unit of each run fails, so the
#     serial numbers given back are covered too);
#   - the settings file loads after every kill;
#   - no temporary file of a save is left once the program has started again.
# Both numbering modes (sequential and random RF IDs), on the simulated line
# with the virtual clock. About a minute.
#
# usage: scripts/kill_test.sh BUILD_DIR   (KESTRELON_KILL_ROUNDS: kills per mode, default 100)
set -euo pipefail
. "$(dirname "$0")/line_settings.sh"

build=${1:?usage: scripts/kill_test.sh BUILD_DIR}
cli=$(cd "$build" && pwd)/kestrelon-mfg-cli
rounds=${KESTRELON_KILL_ROUNDS:-100}
[ -x "$cli" ] || { echo "kill test: $cli not built" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "kill test ($mode): $*" >&2
  exit 1
}

# The value of "key" in every PASS record of the given files.
passed() {
  local key=$1; shift
  cat "$@" | { grep -E '^\{.*\}$' || true; } | { grep '"result":"PASS"' || true; } |
    sed -E "s/.*\"$key\":\"([^\"]*)\".*/\1/"
}

for mode in sequential random; do
  dir=$work/$mode
  mkdir -p "$dir"
  write_line_settings "$mode" "$dir/TX.ini"

  for ((i = 1; i <= rounds; i++)); do
    "$cli" run --sim --fast --units 100000 --json --settings "$dir/TX.ini" --sim-fault noanswer:40@2 \
      >"$dir/shown.$i" 2>"$dir/errors.$i" &
    pid=$!
    # Anywhere from start-up to a few dozen units in.
    sleep "0.$(printf '%03d' $((RANDOM % 400 + 5)))"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if grep -v '^waiting' "$dir/errors.$i" | grep -q .; then
      fail "round $i said: $(head -1 "$dir/errors.$i")"
    fi
    "$cli" numbers --settings "$dir/TX.ini" >/dev/null 2>"$dir/numbers.err" ||
      fail "TX.ini does not load after kill $i: $(cat "$dir/numbers.err")"
    if [ -f "$dir/records.jsonl" ]; then
      "$cli" records check --settings "$dir/TX.ini" "$dir/records.jsonl" >"$dir/check.out" 2>&1 ||
        fail "records check after kill $i: $(grep -E 'behind|two passing|not checked' "$dir/check.out" | head -3)"
    fi
    # Every PASS the run reported is in the record file.
    for unit in $(passed unit "$dir/shown.$i"); do
      grep -q "\"event\":\"pass\",\"unit\":\"$unit\"" "$dir/records.jsonl" ||
        fail "unit $unit passed in round $i but has no pass record"
    done
  done

  # The next start removes what a save cut short left behind.
  "$cli" run --sim --fast --units 1 --json --settings "$dir/TX.ini" >"$dir/shown.last" ||
    fail "the run after the last kill failed"
  if ls "$dir" | grep -qE '^TX\.ini\.tmp'; then
    fail "temporary file left after a new start: $(ls "$dir" | grep -E '^TX\.ini\.tmp' | head -1)"
  fi

  units=$(passed rx_sn "$dir"/shown.* | wc -l)
  [ "$units" -ge $((rounds / 4)) ] || fail "only $units units passed in $rounds runs"
  keys="rx_sn tx_sn"
  [ "$mode" = sequential ] && keys="$keys rx_rfid tx_rfid"
  for key in $keys; do
    dup=$(passed "$key" "$dir"/records.jsonl | sort | uniq -d | head -1)
    [ -z "$dup" ] || fail "$key $dup was issued twice"
  done
  summary=$(grep '^units:' "$dir/check.out")
  echo "kill test ($mode): $rounds kills, $units units passed, no number issued twice; records $summary"
done
