#!/usr/bin/env bash
# Builds the project and runs every test; the exit code is ctest's.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec ctest --test-dir build --output-on-failure
