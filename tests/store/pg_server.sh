#!/usr/bin/env bash
# A throwaway PostgreSQL for the tests, in a folder of its own, listening on a free port of
# 127.0.0.1 with password log-in, gone again after `stop`:
#   pg_server.sh start DIR [--fsync]   makes DIR, starts the server, writes DIR/server.env
#   pg_server.sh stop DIR              stops it and removes DIR
#   pg_server.sh halt DIR [MODE]       stops it, keeping DIR (MODE: fast or immediate)
#   pg_server.sh resume DIR            starts it again on the same port
# DIR/server.env holds shell assignments: LQ_PG_PORT, LQ_PG_BIN, LQ_PG_ADMIN (superuser
# name), LQ_PG_ADMIN_PASSWORD, LQ_PG_SHOP (the role the program logs in as) and
# LQ_PG_SHOP_PASSWORD. As root the server runs as the postgres user, which PostgreSQL
# insists on.
set -euo pipefail

die() { printf 'pg_server: %s\n' "$*" >&2; exit 1; }

cmd=${1:-}
dir=${2:-}
[[ -n "$cmd" && -n "$dir" ]] || die "usage: pg_server.sh start|stop|halt|resume DIR"

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[[ -x "$bin/initdb" ]] || die "PostgreSQL is not installed (scripts/setup.sh installs it)"

as_server() {
  if ((EUID == 0)); then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start_server() {
  local port=$1
  as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-p $port -k $dir/socket -c listen_addresses=127.0.0.1 $(cat "$dir/options")" start \
    >/dev/null || { cat "$dir/server.log" >&2; die "the server did not start"; }
}

case "$cmd" in
  start)
    fsync=off
    [[ "${3:-}" == "--fsync" ]] && fsync=on
    rm -rf "$dir"
    mkdir -p "$dir/socket"
    admin=lq_admin
    admin_pw="admin-$RANDOM$RANDOM"
    shop=lq_shop
    shop_pw="shop-$RANDOM$RANDOM"
    printf '%s\n' "$admin_pw" >"$dir/admin.pw"
    if ((EUID == 0)); then
      id postgres >/dev/null 2>&1 || die "no postgres user to run the server as"
      chown -R postgres "$dir"
      # The server's user must be able to reach the folder.
      p=$(dirname "$dir")
      while [[ "$p" != / ]]; do chmod o+x "$p" 2>/dev/null || true; p=$(dirname "$p"); done
    fi
    as_server "$bin/initdb" -D "$dir/data" -U "$admin" --pwfile="$dir/admin.pw" -E UTF8 \
      --locale=C.UTF-8 --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; die "initdb failed"; }
    # A durable server for the figures; for the tests, writes that reach the system are enough.
    echo "-c fsync=$fsync -c max_connections=60" >"$dir/options"
    port=$(free_port)
    start_server "$port"
    as_server "$bin/psql" -h "$dir/socket" -p "$port" -U "$admin" -d postgres -q -v ON_ERROR_STOP=1 \
      -c "CREATE ROLE $shop LOGIN CREATEDB PASSWORD '$shop_pw'" >/dev/null
    cat >"$dir/server.env" <<EOF
LQ_PG_PORT=$port
LQ_PG_BIN=$bin
LQ_PG_SOCKET=$dir/socket
LQ_PG_ADMIN=$admin
LQ_PG_ADMIN_PASSWORD=$admin_pw
LQ_PG_SHOP=$shop
LQ_PG_SHOP_PASSWORD=$shop_pw
EOF
    chmod a+r "$dir/server.env"
    # The program reaches the server through the driver registered as "PostgreSQL Unicode".
    if ! odbcinst -q -d -n "PostgreSQL Unicode" >/dev/null 2>&1; then
      driver=$(find /usr/lib -name psqlodbcw.so 2>/dev/null | head -n 1)
      [[ -n "$driver" ]] || die "the PostgreSQL ODBC driver is not installed (odbc-postgresql)"
      printf '[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode)\nDriver=%s\n' \
        "$driver" >"$dir/odbcinst.tmpl"
      odbcinst -i -d -f "$dir/odbcinst.tmpl" >/dev/null || die "cannot register the ODBC driver"
    fi
    echo "$dir/server.env"
    ;;
  stop)
    [[ -d "$dir/data" ]] && as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
  halt)
    as_server "$bin/pg_ctl" -D "$dir/data" -m "${3:-fast}" -w stop >/dev/null
    ;;
  resume)
    # shellcheck disable=SC1091
    source "$dir/server.env"
    start_server "$LQ_PG_PORT"
    ;;
  *)
    die "unknown command $cmd"
    ;;
esac
