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

pg_test_server_start() {
  local bin
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
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
  ZARIX_PG_BIN=$bin
  ZARIX_PG_DIR=$(mktemp -d /tmp/zarix-pg.XXXXXX)
  trap 'pg_test_server_stop; pg_test_server_summary' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  chmod 755 "$ZARIX_PG_DIR"
  [ "$(id -u)" -ne 0 ] || chown postgres "$ZARIX_PG_DIR"
  local data="$ZARIX_PG_DIR/data"
  _pg_as_owner "$bin/initdb" -D "$data" -U zarix -A trust -E UTF8 --locale=C.UTF-8 --no-sync >"$ZARIX_PG_DIR/initdb.log" 2>&1 \
    || { cat "$ZARIX_PG_DIR/initdb.log" >&2; return 1; }
  # One role signs in with a password, so a wrong one can be tried.
  { echo "local all zarix_password scram-sha-256"; echo "local all all trust"; } >"$data/pg_hba.conf"
  [ "$(id -u)" -ne 0 ] || chown postgres "$data/pg_hba.conf"
  # No TCP at all; durability is no concern of a throw-away server.
  _pg_as_owner "$bin/pg_ctl" -D "$data" -l "$ZARIX_PG_DIR/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$ZARIX_PG_DIR' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
    start >/dev/null || { cat "$ZARIX_PG_DIR/server.log" >&2; return 1; }
  "$bin/psql" -X -q -h "$ZARIX_PG_DIR" -U zarix -d postgres -v ON_ERROR_STOP=1 \
    -c "CREATE DATABASE zarix" -c "CREATE ROLE zarix_password LOGIN PASSWORD 'sekret'" >/dev/null
  "$bin/psql" -X -q -h "$ZARIX_PG_DIR" -U zarix -d zarix -v ON_ERROR_STOP=1 -c "CREATE EXTENSION citext" >/dev/null
  export ZARIX_TEST_PG="postgresql:///zarix?host=$ZARIX_PG_DIR&user=zarix"
  echo "PostgreSQL test server: $ZARIX_TEST_PG" >&2
}
