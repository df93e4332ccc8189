#!/usr/bin/env bash
# Sets up a PostgreSQL server for a shop whose PCs share one customer list, on a Debian or
# Ubuntu machine in the shop's network, and prints what to type into "数据库设置" on each PC.
#
#   sudo scripts/shop_server.sh [--port 5433] [--database lanqiao] [--user lanqiao]
#                               [--password SECRET] [--cluster lanqiao] [--network samenet]
#
# It installs PostgreSQL when it is missing, makes a cluster of its own (so that another
# PostgreSQL on the machine is left alone), lets the shop's PCs in with a password (by default
# those on the machine's own networks), makes the shop's user and an empty UTF-8 database,
# and starts the server, also at every boot. The program makes its tables on first use.
# Run it again to print the details again; the password is kept, readable by root only, in
# the cluster's configuration folder.
set -euo pipefail

port=5433
database=lanqiao
user=lanqiao
password=""
cluster=lanqiao
network=samenet

die() { printf 'shop_server: %s\n' "$*" >&2; exit 1; }
say() { printf 'shop_server: %s\n' "$*"; }

while (($#)); do
  case "$1" in
    --port) port=${2:?}; shift 2 ;;
    --database) database=${2:?}; shift 2 ;;
    --user) user=${2:?}; shift 2 ;;
    --password) password=${2:?}; shift 2 ;;
    --cluster) cluster=${2:?}; shift 2 ;;
    --network) network=${2:?}; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) die "unknown option $1 (see --help)" ;;
  esac
done
[[ "$database" =~ ^[a-z_][a-z0-9_]*$ ]] || die "the database name may hold small letters, digits and _"
[[ "$user" =~ ^[a-z_][a-z0-9_]*$ ]] || die "the user name may hold small letters, digits and _"
[[ "$cluster" =~ ^[a-z_][a-z0-9_]*$ ]] || die "the cluster name may hold small letters, digits and _"
[[ "$port" =~ ^[0-9]+$ ]] || die "the port is a number"
((EUID == 0)) || die "run it as root (sudo $0 ...)"

if ! command -v pg_createcluster >/dev/null 2>&1; then
  say "installing PostgreSQL"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq postgresql >/dev/null
fi
version=$(ls /usr/lib/postgresql | sort -V | tail -n 1)
[[ -n "$version" ]] || die "no PostgreSQL found under /usr/lib/postgresql"
conf=/etc/postgresql/$version/$cluster
secret=$conf/lanqiao-shop.txt

if [[ ! -d "$conf" ]]; then
  say "making the cluster $version/$cluster on port $port"
  pg_createcluster --port "$port" --encoding UTF8 --locale C.UTF-8 "$version" "$cluster" -- \
    --auth-local=peer --auth-host=scram-sha-256 >/dev/null
fi
port=$(sed -n 's/^port *= *\([0-9]*\).*/\1/p' "$conf/postgresql.conf" | head -n 1)

# The shop's PCs reach it over the network, with a password.
sed -i "s/^#\?listen_addresses *=.*/listen_addresses = '*'/" "$conf/postgresql.conf"
sed -i "s/^#\?password_encryption *=.*/password_encryption = scram-sha-256/" "$conf/postgresql.conf"
rule="host $database $user $network scram-sha-256"
grep -qxF "$rule" "$conf/pg_hba.conf" || printf '%s\n' "$rule" >>"$conf/pg_hba.conf"

if [[ -z "$password" && -f "$secret" ]]; then
  password=$(cat "$secret")
elif [[ -z "$password" ]]; then
  password=$(head -c 18 /dev/urandom | base64 | tr -d '+/=' | head -c 16)
fi

umask 077
printf '%s' "$password" >"$secret"
chown postgres "$secret"

pg_ctlcluster "$version" "$cluster" start 2>/dev/null || pg_ctlcluster "$version" "$cluster" reload
if command -v systemctl >/dev/null 2>&1 && [[ -d /run/systemd/system ]]; then
  systemctl enable "postgresql@$version-$cluster" >/dev/null 2>&1 || true
fi

psql_admin() {
  runuser -u postgres -- psql -X -q -p "$port" -v ON_ERROR_STOP=1 "$@"
}
# psql reads the password from the file and quotes it itself: it never stands in SQL text
# or on a command line.
psql_admin -d postgres -f - >/dev/null <<SQL
\\set pw \`cat $secret\`
SELECT NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '$user') AS missing \\gset
\\if :missing
CREATE ROLE $user LOGIN;
\\endif
ALTER ROLE $user LOGIN PASSWORD :'pw';
SQL
if ! psql_admin -d postgres -tAc "SELECT 1 FROM pg_database WHERE datname = '$database'" | grep -q 1; then
  psql_admin -d postgres -c "CREATE DATABASE $database OWNER $user ENCODING 'UTF8' TEMPLATE template0" >/dev/null
fi
# The shop's user owns its database and makes the program's tables in it; nobody else may.
psql_admin -d "$database" -c "REVOKE ALL ON DATABASE $database FROM PUBLIC" >/dev/null

address=$(hostname -I 2>/dev/null | tr ' ' '\n' | grep -m1 -E '^[0-9]+\.' || true)
[[ -n "$address" ]] || address=$(hostname)
cat <<EOF

The shop's server is running: PostgreSQL $version, cluster "$cluster", port $port.

On each PC: install the PostgreSQL ODBC driver ("psqlODBC", the 64-bit one for the 64-bit
program), then in 岚桥管家 open 数据库设置… and enter
    server    $address
    port      $port
    database  $database
    user      $user
    password  $password
or, as one connection string (also for the environment variable LQ_STORE):
    Driver={PostgreSQL Unicode};Server=$address;Port=$port;Database=$database;Uid=$user;Pwd=$password;

A firewall on this machine must let the PCs reach TCP port $port (ufw: ufw allow $port/tcp).
EOF
