# A private PostgreSQL cluster for the tests: initdb in a temporary folder, run as the postgres
# user (initdb refuses root), listening on a Unix socket in that folder only. pg_start exports
# CNS_TEST_PG_URL and arranges for pg_stop to run when the calling script exits.

pg_bindir() {
  local d
  d=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -n "$d" ] || { echo "pgcluster: PostgreSQL server binaries not found" >&2; return 1; }
  echo "$d"
}

pg_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

pg_start() {
  local bindir port
  bindir=$(pg_bindir) || return 1
  port="${CNS_TEST_PG_PORT:-55432}"
  pg_dir=$(mktemp -d /tmp/cns-pg.XXXXXX)
  chmod 755 "$pg_dir"
  [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$pg_dir"
  trap pg_stop EXIT
  pg_as_owner "$bindir/initdb" -D "$pg_dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >"$pg_dir/initdb.log" 2>&1 \
    || { cat "$pg_dir/initdb.log" >&2; return 1; }
  pg_as_owner "$bindir/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$pg_dir' -p $port -c fsync=off -c max_connections=200" start >/dev/null \
    || { cat "$pg_dir/server.log" >&2; return 1; }
  export CNS_TEST_PG_URL="postgresql://postgres@localhost/postgres?host=$pg_dir&port=$port"
  echo "pgcluster: PostgreSQL running at $pg_dir (port $port)"
}

pg_stop() {
  [ -n "${pg_dir:-}" ] && [ -d "$pg_dir" ] || return 0
  pg_as_owner "$(pg_bindir)/pg_ctl" -D "$pg_dir/data" -m immediate stop >/dev/null 2>&1 || true
  rm -rf "$pg_dir"
  pg_dir=
}
