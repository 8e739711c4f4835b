#!/usr/bin/env bash
# A private PostgreSQL server for one test run, sourced by ./dev: initdb in a temporary folder,
# listening only on a Unix socket in that folder, stopped by a trap however the run ends. The
# tests find it through ZARIX_TEST_PG; without the server's binaries that variable stays unset
# and the PostgreSQL cases are skipped.

ZARIX_PG_DIR=""
ZARIX_PG_NOTE=""

# Runs a server program as the owner of the data folder: the server refuses to run as root.
_pg_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

pg_test_server_stop() {
  [ -n "$ZARIX_PG_DIR" ] || return 0
  if [ -f "$ZARIX_PG_DIR/data/postmaster.pid" ]; then
    _pg_as_owner "$ZARIX_PG_BIN/pg_ctl" -D "$ZARIX_PG_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$ZARIX_PG_DIR"
  ZARIX_PG_DIR=""
}

pg_test_server_summary() {
  [ -z "$ZARIX_PG_NOTE" ] || echo "$ZARIX_PG_NOTE" >&2
}

_pg_find_bin() {
  ZARIX_PG_BIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -n "$ZARIX_PG_BIN" ] && [ -x "$ZARIX_PG_BIN/initdb" ] && [ -x "$ZARIX_PG_BIN/pg_ctl" ]
}

# A cluster in DIR/data whose role zarix signs in without a password and zarix_password with one.
_pg_init() {
  local dir=$1 data="$1/data"
  chmod 755 "$dir"
  [ "$(id -u)" -ne 0 ] || chown postgres "$dir"
  _pg_as_owner "$ZARIX_PG_BIN/initdb" -D "$data" -U zarix -A trust -E UTF8 --locale=C.UTF-8 --no-sync >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; return 1; }
  # One role signs in with a password, so a wrong one can be tried.
  { echo "local all zarix_password scram-sha-256"; echo "local all all trust"; } >"$data/pg_hba.conf"
  [ "$(id -u)" -ne 0 ] || chown postgres "$data/pg_hba.conf"
}

# Starts the cluster of DIR, listening only on a Unix socket in DIR.
_pg_run() {
  local dir=$1
  # No TCP at all; durability is no concern of a throw-away server.
  _pg_as_owner "$ZARIX_PG_BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
    start >/dev/null || { cat "$dir/server.log" >&2; return 1; }
}

_pg_halt() {
  _pg_as_owner "$ZARIX_PG_BIN/pg_ctl" -D "$1/data" -m fast -w stop >/dev/null
}

# The database zarix with citext in it, on the running cluster of DIR.
_pg_make_database() {
  local dir=$1
  "$ZARIX_PG_BIN/psql" -X -q -h "$dir" -U zarix -d postgres -v ON_ERROR_STOP=1 \
    -c "CREATE DATABASE zarix" -c "CREATE ROLE zarix_password LOGIN PASSWORD 'sekret'" >/dev/null
  "$ZARIX_PG_BIN/psql" -X -q -h "$dir" -U zarix -d zarix -v ON_ERROR_STOP=1 -c "CREATE EXTENSION citext" >/dev/null
}

pg_test_server_start() {
  if ! _pg_find_bin; then
    ZARIX_PG_NOTE="note: no PostgreSQL server binaries (package postgresql); the PostgreSQL cases were skipped"
    echo "$ZARIX_PG_NOTE" >&2
    unset ZARIX_TEST_PG
    return 0
  fi
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    ZARIX_PG_NOTE="note: running as root without a postgres user to run the server; the PostgreSQL cases were skipped"
    echo "$ZARIX_PG_NOTE" >&2
    unset ZARIX_TEST_PG
    return 0
  fi
  ZARIX_PG_DIR=$(mktemp -d /tmp/zarix-pg.XXXXXX)
  trap 'pg_test_server_stop; pg_test_server_summary' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  _pg_init "$ZARIX_PG_DIR" && _pg_run "$ZARIX_PG_DIR" && _pg_make_database "$ZARIX_PG_DIR" || return 1
  export ZARIX_TEST_PG="postgresql:///zarix?host=$ZARIX_PG_DIR&user=zarix"
  echo "PostgreSQL test server: $ZARIX_TEST_PG" >&2
}

# Run as a program, it drives a server of a test's own in an empty folder DIR, for tests that
# stop and restart their server while the shared one keeps serving the others:
#   pg_test_server.sh init DIR    makes, starts and prints the URL of the database zarix
#   pg_test_server.sh stop DIR    stops it, keeping its data
#   pg_test_server.sh start DIR   starts it again
#   pg_test_server.sh remove DIR  stops it whatever state it is in and removes DIR
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -eu
  [ $# -eq 2 ] || { echo "usage: $0 init|stop|start|remove DIR" >&2; exit 2; }
  _pg_find_bin || { echo "no PostgreSQL server binaries" >&2; exit 1; }
  case "$1" in
    init) _pg_init "$2" && _pg_run "$2" && _pg_make_database "$2" && echo "postgresql:///zarix?host=$2&user=zarix" ;;
    stop) _pg_halt "$2" ;;
    start) _pg_run "$2" ;;
    remove)
      [ ! -f "$2/data/postmaster.pid" ] || _pg_as_owner "$ZARIX_PG_BIN/pg_ctl" -D "$2/data" -m immediate -w stop >/dev/null 2>&1 || true
      rm -rf "$2" ;;
    *) echo "usage: $0 init|stop|start|remove DIR" >&2; exit 2 ;;
  esac
fi
