#!/usr/bin/env bash
# Builds the project, creates the demo database in demo/ once, and starts the
# check on it (or, while the check program is not built yet, describes the
# demo tables).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

demo="$(pwd)/demo"
if [ ! -e "$demo/ArtikelMain.TBL" ]; then
  build/bin/tbltool demo "$demo"
fi

if [ -x build/bin/artnrcheck ]; then
  exec build/bin/artnrcheck "$demo" 1 12272
fi

for table in ArtikelMain Artikelsub setup; do
  build/bin/tbltool info "demo/$table.TBL"
  echo
done
