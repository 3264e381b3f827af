#!/usr/bin/env bash
# A throw-away PostgreSQL server for the remote-backend tests.
#
#   pg-server.sh start DIR   creates a cluster in DIR, starts it and prints
#                            its conninfo (host=... port=... user=... dbname=...)
#   pg-server.sh stop DIR    stops it again
#
# The server trusts every local connection and does not sync to disk: it holds
# nothing worth keeping. Its messages go to DIR/log.
set -euo pipefail

die() {
  echo "pg-server.sh: $*" >&2
  exit 1
}

usage() {
  die "usage: pg-server.sh start|stop DIR"
}

# The server binaries: Debian keeps them out of PATH, one folder per version.
find_bindir() {
  local dir
  for dir in $(printf "%s\n" /usr/lib/postgresql/*/bin | sort -V -r); do
    [ -x "$dir/initdb" ] && [ -x "$dir/pg_ctl" ] && { echo "$dir"; return; }
  done
  dir=$(pg_config --bindir 2>/dev/null || true)
  [ -n "$dir" ] && [ -x "$dir/initdb" ] && [ -x "$dir/pg_ctl" ] && { echo "$dir"; return; }
  dir=$(dirname "$(command -v initdb 2>/dev/null || echo /nonexistent/initdb)")
  [ -x "$dir/initdb" ] && [ -x "$dir/pg_ctl" ] && { echo "$dir"; return; }
  die "no PostgreSQL server binaries (initdb, pg_ctl) found; install the postgresql package"
}

# The server refuses to run as root; root runs it as the postgres user.
as_owner=()
db_user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  id -u postgres >/dev/null 2>&1 || die "running as root needs the postgres system user"
  as_owner=(runuser -u postgres --)
  db_user=postgres
fi

show_log() {
  if [ -f "$log" ]; then
    echo "--- last lines of $log:" >&2
    tail -n 20 "$log" >&2
  fi
}

start() {
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  data=$dir/data
  log=$dir/log
  [ -e "$data" ] && die "$dir already holds a cluster"
  # The socket path is bounded by the size of sun_path.
  [ ${#dir} -le 90 ] || die "$dir is too long a path for the server's socket"
  local bin
  bin=$(find_bindir)

  : >"$log"
  if ((${#as_owner[@]})); then
    chown postgres: "$dir" "$log"
    "${as_owner[@]}" test -w "$dir" ||
      die "the postgres user cannot reach $dir (a parent folder shuts it out)"
  fi

  # Locale C: the cluster must not lend the tables an order of its own.
  if ! "${as_owner[@]}" "$bin/initdb" --pgdata="$data" --username="$db_user" --auth=trust \
    --encoding=UTF8 --no-locale --no-sync >>"$log" 2>&1; then
    show_log
    die "initdb failed"
  fi
  local socket_dir=${dir//\'/\'\'}
  cat >>"$data/postgresql.conf" <<EOF

# Throw-away test server.
listen_addresses = '127.0.0.1'
unix_socket_directories = '$socket_dir'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 200
logging_collector = off
EOF

  # A free port: from a random start, try the next until one binds. Any
  # failure other than a taken port ends the search at once.
  local port=$((20000 + RANDOM % 30000)) logged
  for _ in $(seq 1 30); do
    logged=$(wc -c <"$log")
    if "${as_owner[@]}" "$bin/pg_ctl" start --pgdata="$data" --log="$log" --wait --silent \
      --options="-p $port" >/dev/null 2>>"$log"; then
      echo "host=127.0.0.1 port=$port user=$db_user dbname=postgres"
      return
    fi
    if ! tail -c +$((logged + 1)) "$log" | grep -q 'already in use'; then
      show_log
      die "the server did not start"
    fi
    port=$((port + 1))
  done
  show_log
  die "no free port found"
}

stop() {
  dir=$(cd "$dir" 2>/dev/null && pwd) || die "$dir does not exist"
  data=$dir/data
  log=$dir/log
  # Stopping what never started (or stopped already) is no fault.
  [ -f "$data/postmaster.pid" ] || return 0
  local bin
  bin=$(find_bindir)
  if ! "${as_owner[@]}" "$bin/pg_ctl" stop --pgdata="$data" --mode=fast --wait --silent \
    >/dev/null 2>>"$log"; then
    show_log
    die "the server in $dir did not stop"
  fi
}

[ $# -eq 2 ] || usage
dir=$2
case $1 in
start) start ;;
stop) stop ;;
*) usage ;;
esac
