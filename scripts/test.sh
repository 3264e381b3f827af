#!/usr/bin/env bash
# Builds the project and runs every test; the exit code is ctest's. The
# remote-backend tests get a throw-away PostgreSQL server, gone afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

pg_dir=$(mktemp -d)
cleanup() {
  bash scripts/pg-server.sh stop "$pg_dir" || true
  rm -rf "$pg_dir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Without a server those tests would skip, and a green run would hide that.
if ! DBE_TEST_PG=$(bash scripts/pg-server.sh start "$pg_dir"); then
  echo "test.sh: the PostgreSQL server for the remote-backend tests did not start" >&2
  exit 1
fi
export DBE_TEST_PG

status=0
ctest --test-dir build --output-on-failure || status=$?
exit "$status"
