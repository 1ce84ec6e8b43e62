#!/usr/bin/env bash
# Several stations on one number store, against a private PostgreSQL server
# this script starts and stops (scripts/store_server.sh), in both numbering
# modes (sequential and random RF IDs):
#
#   concurrency  8 `run --sim --fast` stations, 250 units each, at once: no
#                serial number (nor sequential RF ID) on two PASS units, and
#                every reservation has its outcome;
#   faults       4 stations run on while stations are killed (SIGKILL), the
#                server is restarted (pg_ctl restart -m immediate) and stopped
#                for a while, and stations' connections are cut
#                (pg_terminate_backend): the stations resume by themselves,
#                nothing is issued twice, a number kept by a reservation
#                without outcome (an interrupted unit) is never handed out
#                again, and records check passes on every station's record
#                file against the store.
#
# usage: scripts/store_test.sh BUILD_DIR   (KESTRELON_STORE_FAULTS: fault rounds per mode, default 12)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/line_settings.sh"
build=${1:?usage: scripts/store_test.sh BUILD_DIR}
cli=$(cd "$build" && pwd)/kestrelon-mfg-cli
rounds=${KESTRELON_STORE_FAULTS:-12}
[ -x "$cli" ] || { echo "store test: $cli not built" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  bash "$here/store_server.sh" stop "$work/server" || true
  rm -rf "$work"
}
trap cleanup EXIT
started=$(date +%s)

bash "$here/store_server.sh" start "$work/server"
uri=$(cat "$work/server/uri")
sql() { psql -X -q -t -A -v ON_ERROR_STOP=1 "$uri" -c "$1"; }

fail() {
  echo "store test ($mode): $*" >&2
  exit 1
}

# The value of "key" in every PASS record of the given files.
passed() {
  local key=$1; shift
  cat "$@" | { grep -E '^\{.*\}$' || true; } | { grep '"result":"PASS"' || true; } |
    sed -E "s/.*\"$key\":\"([^\"]*)\".*/\1/"
}

no_twice() { # FILES...: no number on two PASS units
  local keys="rx_sn tx_sn" key dup
  [ "$mode" = sequential ] && keys="$keys rx_rfid tx_rfid"
  for key in $keys; do
    dup=$(passed "$key" "$@" | sort | uniq -d | head -1)
    [ -z "$dup" ] || fail "$key $dup is on two PASS units"
  done
}

# A number kept by a reservation (passed, failed without giving it back, or
# interrupted) is never on another reservation; RF IDs are never given back.
kept_once() {
  local column dup
  for column in rx_sn tx_sn; do
    dup=$(sql "SELECT $column FROM kestrelon.reservations WHERE product = '$mode' AND NOT serials_given_back
               GROUP BY $column HAVING count(*) > 1 LIMIT 1")
    [ -z "$dup" ] || fail "$column $dup is on two reservations that kept it"
  done
  [ "$mode" = sequential ] || return 0
  for column in rx_rfid tx_rfid; do
    dup=$(sql "SELECT $column FROM kestrelon.reservations WHERE product = '$mode'
               GROUP BY $column HAVING count(*) > 1 LIMIT 1")
    [ -z "$dup" ] || fail "$column $dup is on two reservations"
  done
}

station() { # DIR UNITS: one station in the background, its records in DIR
  mkdir -p "$1"
  [ -f "$1/TX.ini" ] || printf '[TX]\r\n' > "$1/TX.ini"
  "$cli" run --sim --fast --units "$2" --json --store "$uri" --product "$mode" --settings "$1/TX.ini" \
    >> "$1/out.jsonl" 2>> "$1/err.txt" &
  pids+=($!)
}

for mode in sequential random; do
  dir=$work/$mode
  mkdir -p "$dir"
  write_line_settings "$mode" "$dir/TX.ini"
  "$cli" store init "$uri" --settings "$dir/TX.ini" --product "$mode" > /dev/null

  # --- concurrency --------------------------------------------------------------
  pids=()
  for s in 1 2 3 4 5 6 7 8; do station "$dir/c$s" 250; done
  for p in "${pids[@]}"; do wait "$p" || fail "a station failed: $(cat "$dir"/c*/err.txt | grep -v '^summary' | head -1)"; done
  pids=()
  units=$(passed rx_sn "$dir"/c*/out.jsonl | wc -l)
  [ "$units" -eq 2000 ] || fail "$units of 2000 units passed"
  no_twice "$dir"/c*/out.jsonl
  [ "$(sql "SELECT count(*) FROM kestrelon.reservations WHERE product = '$mode'")" -eq 2000 ] ||
    fail "not 2000 reservations"
  open=$(sql "SELECT count(*) FROM kestrelon.reservations WHERE product = '$mode' AND outcome IS NULL")
  [ "$open" -eq 0 ] || fail "$open reservations without an outcome"
  echo "store test ($mode): 8 stations, 2000 units passed, no number twice, every reservation settled" \
       "($(($(date +%s) - started)) s)"

  # --- faults ---------------------------------------------------------------------
  for s in 1 2 3 4; do station "$dir/f$s" 100000; done
  kills=0 restarts=0 stops=0 cuts=0
  for ((i = 1; i <= rounds; i++)); do
    sleep "0.$(printf '%03d' $((RANDOM % 600 + 200)))"
    case $((i % 4)) in
    0) # a station killed at a random moment, and started again
      k=$((RANDOM % 4))
      kill -KILL "${pids[$k]}" 2>/dev/null || true
      wait "${pids[$k]}" 2>/dev/null || true
      "$cli" run --sim --fast --units 100000 --json --store "$uri" --product "$mode" \
        --settings "$dir/f$((k + 1))/TX.ini" >> "$dir/f$((k + 1))/out.jsonl" 2>> "$dir/f$((k + 1))/err.txt" &
      pids[$k]=$!
      kills=$((kills + 1)) ;;
    1) bash "$here/store_server.sh" restart "$work/server"; restarts=$((restarts + 1)) ;;
    2) bash "$here/store_server.sh" halt "$work/server"; sleep 1.5
       bash "$here/store_server.sh" resume "$work/server"; stops=$((stops + 1)) ;;
    3) sql "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE application_name LIKE 'kestrelon-mfg %'" \
         > /dev/null; cuts=$((cuts + 1)) ;;
    esac
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null || fail "a station ended by itself: $(tail -n 2 "$dir"/f*/err.txt)"; done
  done
  # Every station works again: each passes new units once the server is back.
  for s in 1 2 3 4; do
    n=$(grep -c '"result":"PASS"' "$dir/f$s/out.jsonl" || true)
    for _ in $(seq 100); do
      [ "$(grep -c '"result":"PASS"' "$dir/f$s/out.jsonl" || true)" -gt "$n" ] && break
      sleep 0.1
    done
    [ "$(grep -c '"result":"PASS"' "$dir/f$s/out.jsonl" || true)" -gt "$n" ] || fail "station f$s did not resume"
  done
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  pids=()
  no_twice "$dir"/c*/out.jsonl "$dir"/f*/out.jsonl
  kept_once
  # Every PASS a station printed was reserved in the store with its numbers.
  missing=$(comm -23 <(passed unit "$dir"/f*/out.jsonl | sort -u) \
    <(sql "SELECT unit FROM kestrelon.reservations WHERE product = '$mode'" | sort -u) | head -1)
  [ -z "$missing" ] || fail "unit $missing passed without a reservation in the store"
  # Each station's record file against the store's counters.
  waiting=0
  for records in "$dir"/[cf]*/records.jsonl; do
    "$cli" records check --store "$uri" --product "$mode" --settings "${records%/*}/TX.ini" "$records" \
      > "$work/check.txt" || fail "records check: $(grep -E 'on two|behind|not checked' "$work/check.txt" | head -1)"
    waiting=$((waiting + $(sed -n 's/^outcomes waiting for the store: //p' "$work/check.txt")))
  done
  units=$(passed rx_sn "$dir"/f*/out.jsonl | wc -l)
  gaps=$(sql "SELECT count(*) FROM kestrelon.reservations WHERE product = '$mode' AND outcome IS NULL")
  echo "store test ($mode): $kills kills, $restarts restarts, $stops stops, $cuts cuts: $units units passed," \
       "$gaps interrupted units left as gaps ($waiting with an outcome that never reached the store)," \
       "nothing issued twice, every station resumed, records check passes ($(($(date +%s) - started)) s)"
done
echo "store test: $(($(date +%s) - started)) s"
