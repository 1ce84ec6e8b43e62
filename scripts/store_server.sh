#!/usr/bin/env bash
# A private PostgreSQL server for the number store's tests and benchmark:
# its own data folder under /tmp, listening only on a Unix socket in that
# folder (no TCP port), run by an unprivileged user (as root: the system
# user "postgres" of the Debian package, made if missing). Nothing else
# talks to it, and it talks to no other server.
#
#   bash scripts/store_server.sh start STATE_DIR [--durable]
#       starts it and writes STATE_DIR/uri (a libpq URI for the database
#       "kestrelon", role "kestrelon") and STATE_DIR/data (its folder).
#       Without --durable, fsync is off: faster, and an immediate stop
#       loses nothing (only an operating-system crash would).
#   bash scripts/store_server.sh restart STATE_DIR   (pg_ctl restart -m immediate)
#   bash scripts/store_server.sh stop STATE_DIR      (stops it, removes its folder)
#   bash scripts/store_server.sh halt STATE_DIR      (stops it, keeps its folder)
#   bash scripts/store_server.sh resume STATE_DIR    (starts a halted one again)
set -euo pipefail

action=${1:?usage: store_server.sh start|restart|halt|resume|stop STATE_DIR [--durable]}
state=${2:?usage: store_server.sh start|restart|halt|resume|stop STATE_DIR [--durable]}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/pg_ctl" ] || { echo "store_server: no PostgreSQL server (apt-get install postgresql)" >&2; exit 1; }

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u "$owner" -- "$@"; else "$@"; fi
}
owner_of() { stat -c %U "$1"; }

case $action in
start)
  mkdir -p "$state"
  owner=$(id -un)
  if [ "$(id -u)" -eq 0 ]; then
    owner=postgres
    getent passwd "$owner" > /dev/null ||
      useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$owner"
  fi
  data=$(mktemp -d /tmp/kestrelon-pg.XXXXXX)
  chmod 700 "$data"
  chown "$owner" "$data"
  as_owner "$bin/initdb" -D "$data/db" -U kestrelon -A trust -E UTF8 --no-sync > "$data/initdb.log" 2>&1 ||
    { cat "$data/initdb.log" >&2; exit 1; }
  fsync=off
  [ "${3:-}" = --durable ] && fsync=on
  cat >> "$data/db/postgresql.conf" <<EOF
listen_addresses = ''
unix_socket_directories = '$data'
unix_socket_permissions = 0700
fsync = $fsync
max_connections = 60
port = 5432
EOF
  as_owner "$bin/pg_ctl" -D "$data/db" -l "$data/server.log" -w -t 30 start > /dev/null ||
    { cat "$data/server.log" >&2; exit 1; }
  as_owner "$bin/createdb" -h "$data" -U kestrelon kestrelon
  echo "$data" > "$state/data"
  echo "postgresql://kestrelon@/kestrelon?host=$data&port=5432" > "$state/uri"
  ;;
restart | halt | resume | stop)
  [ -s "$state/data" ] || exit 0
  data=$(cat "$state/data")
  [ -d "$data/db" ] || exit 0
  owner=$(owner_of "$data")
  case $action in
  restart) as_owner "$bin/pg_ctl" -D "$data/db" -l "$data/server.log" -m immediate -w -t 30 restart > /dev/null ;;
  halt) as_owner "$bin/pg_ctl" -D "$data/db" -m fast -w stop > /dev/null ;;
  resume) as_owner "$bin/pg_ctl" -D "$data/db" -l "$data/server.log" -w -t 30 start > /dev/null ;;
  stop)
    as_owner "$bin/pg_ctl" -D "$data/db" -m immediate -w stop > /dev/null 2>&1 || true
    rm -rf "$data" "$state/data" "$state/uri"
    ;;
  esac
  ;;
*)
  echo "store_server: unknown action $action" >&2
  exit 2
  ;;
esac
