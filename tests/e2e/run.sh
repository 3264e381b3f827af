#!/usr/bin/env bash
# Drives the real window under a virtual X server the way a person would:
# check, delete all duplicates, answer the question with Enter, close with
# Escape; then reads the article table back to see who survived.
#
# usage: run.sh BUILD_DIR [--server]   (BUILD_DIR/bin holds artnrcheck and tbltool)
# With --server the database is a fresh schema on the PostgreSQL server named
# by DBE_TEST_PG and the tool is started for the remote server, as the host
# starts it there.
# Exit 77 means skipped: no virtual X server or no xdotool on this machine, or
# --server without DBE_TEST_PG.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ] || { [ $# -eq 2 ] && [ "$2" != --server ]; }; then
  echo "usage: $0 BUILD_DIR [--server]" >&2
  exit 2
fi
server_mode=${2:-}
if [ -n "$server_mode" ] && [ -z "${DBE_TEST_PG:-}" ]; then
  echo "e2e: SKIPPED, --server needs DBE_TEST_PG (a PostgreSQL connection string)"
  exit 77
fi
build=$(cd "$1" 2>/dev/null && pwd) || {
  echo "e2e: FAILED, there is no build directory $1" >&2
  exit 1
}
app=$build/bin/artnrcheck
tbltool=$build/bin/tbltool

for tool in xvfb-run xdotool; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "e2e: SKIPPED, $tool is not installed"
    exit 77
  fi
done
for binary in "$app" "$tbltool"; do
  if [ ! -x "$binary" ]; then
    echo "e2e: FAILED, $binary has not been built" >&2
    exit 1
  fi
done

# Re-entered inside the virtual server. xvfb-run's own default depth is 8
# bits, which would make the screenshot's colours misleading.
if [ -z "${ARTNR_E2E_INSIDE_X:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    env ARTNR_E2E_INSIDE_X=1 bash "$0" "$build" $server_mode
fi

# The test must talk to the X server even where the unit tests' offscreen
# platform is set in the environment.
export QT_QPA_PLATFORM=xcb
work=$(mktemp -d "${TMPDIR:-/tmp}/artnrcheck-e2e.XXXXXX")
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
db=$work/db
selector=1
schema=
if [ -n "$server_mode" ]; then
  schema=artnrcheck_e2e_$$
  psql -XAtq "$DBE_TEST_PG" -c "CREATE SCHEMA $schema" >/dev/null
  db="$DBE_TEST_PG options='-csearch_path=$schema'"
  selector=2
fi
app_log=$work/artnrcheck.log
app_pid=

cleanup() {
  local rc=$?
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  if [ "$rc" -eq 0 ]; then
    rm -rf "$work"
    if [ -n "$schema" ]; then
      psql -XAtq "$DBE_TEST_PG" -c "DROP SCHEMA $schema CASCADE" >/dev/null 2>&1 || true
    fi
  else
    echo "e2e: the database${schema:+ (schema $schema)} and the tool's log are kept in $work" >&2
  fi
}
trap cleanup EXIT

fail() {
  echo "e2e: FAILED: $*" >&2
  if [ -s "$app_log" ]; then
    echo "--- artnrcheck output ---" >&2
    cat "$app_log" >&2
  fi
  exit 1
}

app_running() { [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; }

now_us() { echo "${EPOCHREALTIME/[.,]/}"; }

# Polls COMMAND every 0.1 s until it succeeds (0), SECONDS of wall time have
# passed (1) or the tool has died meanwhile (2), so that no wait runs into
# its limit for nothing.
poll() {
  local deadline=$(($(now_us) + $1 * 1000000))
  shift
  while :; do
    if "$@"; then return 0; fi
    app_running || return 2
    (($(now_us) < deadline)) || return 1
    sleep 0.1
  done
}

wait_until() {
  local seconds=$1 what=$2 rc=0
  shift 2
  poll "$seconds" "$@" || rc=$?
  case $rc in
  0) ;;
  2) fail "artnrcheck ended while waiting for $what" ;;
  *) fail "gave up after ${seconds}s waiting for $what" ;;
  esac
}

# The shown window of the tool whose title is exactly $1, printed as its id.
# Only mapped windows count: the toolkit keeps a hidden window that bears the
# application's name, which is also the question box's title.
window_titled() {
  local id
  for id in $(xdotool search --onlyvisible --pid "$app_pid" --name . 2>/dev/null || true); do
    if [ "$(xdotool getwindowname "$id" 2>/dev/null || true)" = "$1" ]; then
      echo "$id"
      return 0
    fi
  done
  return 1
}

main_window_ready() { main_window=$(window_titled "$db"); }
question_shown() { question_box=$(window_titled "$box_title"); }
question_gone() { ! window_titled "$box_title" >/dev/null; }
app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Client-area positions of the flat buttons (the window is 548x397).
click_check() { xdotool mousemove --window "$main_window" 54 30 click 1; }
click_delete_all() { xdotool mousemove --window "$main_window" 362 30 click 1; }

screenshot() {
  local window=$1 file=$2
  if command -v import >/dev/null 2>&1; then
    if import -window "$window" "$file"; then
      echo "e2e: screenshot $file"
    else
      echo "e2e: the screenshot $file could not be taken"
    fi
  else
    echo "e2e: no screenshot $file, ImageMagick's import is not installed"
  fi
}

# --- the database ------------------------------------------------------------
# Records in this order give the ARTN index runs (equal numbers stay in
# record order): 100 = 2,5; 7 = 4,6,10; AB1 = 7,11; ab1 = 8,12. A pair loses
# its first article, a triple its first and third, and AB1 and ab1 are two
# different numbers that each keep their second article.
csv=$work/articles.csv
cat >"$csv" <<'EOF'
ID,ARTN,BZK
1,1000,Einzelstueck eins
2,100,Paar erstes
3,2000,Einzelstueck zwei
4,7,Dreier erstes
5,100,Paar zweites
6,7,Dreier zweites
7,AB1,Gross erstes
8,ab1,Klein erstes
9,3000,Einzelstueck drei
10,7,Dreier drittes
11,AB1,Gross zweites
12,ab1,Klein zweites
EOF
expected_before="1:1000 2:100 3:2000 4:7 5:100 6:7 7:AB1 8:ab1 9:3000 10:7 11:AB1 12:ab1"
expected_after="1:1000 3:2000 5:100 6:7 9:3000 11:AB1 12:ab1"

# ID:ARTN of every article in ID order, found by the header's column names
# so that the test does not depend on the table's field order.
articles() {
  "$tbltool" export "$db/ArtikelMain.TBL" --index ID | awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) col[$i] = i; next }
    { printf "%s%s:%s", (NR > 2 ? " " : ""), $col["ID"], $col["ARTN"] }
    END { print "" }'
}

"$tbltool" create-host "$db" >/dev/null || fail "tbltool create-host $db"
"$tbltool" import "$db/ArtikelMain.TBL" "$csv" >/dev/null || fail "tbltool import"
before=$(articles) || fail "tbltool export after the import"
[ "$before" = "$expected_before" ] ||
  fail "the imported table is not as written: got '$before', expected '$expected_before'"

# --- the window --------------------------------------------------------------
"$app" "$db" "$selector" 12272 >"$app_log" 2>&1 &
app_pid=$!

# The title becomes the connect path once the connection stands and the
# window has been enabled again.
main_window=
wait_until 60 "the main window titled $db" main_window_ready
echo "e2e: main window $main_window is up"

# The delete button is ignored while a check runs and asks its question only
# when the check has found duplicates, so the question box appearing is the
# sign that the check is done; until then the click is repeated. Überprüfen
# is clicked once only: a second click would start the check afresh.
# Clicks that arrive while the box is open are blocked by the modal box.
box_title="Check auf doppelte Artikelnummern"
question_box=
delete_clicks=0
click_delete_and_look() {
  click_delete_all
  delete_clicks=$((delete_clicks + 1))
  poll 1 question_shown
}
click_check || fail "xdotool could not click Überprüfen"
wait_until 120 "the question 'Doppelte Artikel jetzt löschen?' after the check" \
  click_delete_and_look
echo "e2e: question box $question_box is shown after $delete_clicks click(s) on Alle doppelten löschen"

# The box stands beside the main window, so this shows the check's result.
screenshot "$main_window" "$build/e2e${server_mode:+-server}-after-check.png"

# Enter answers "Ja": the focused button passes Return on as its own choice.
xdotool windowfocus --sync "$question_box" 2>/dev/null || true
xdotool key Return || fail "xdotool could not press Return"
wait_until 30 "the question box to close" question_gone

# Escape closes the window only while no operation runs, so it is repeated
# until the tool has finished deleting, checked again and ended.
closed=
for attempt in $(seq 1 30); do
  if app_ended; then closed=1; break; fi
  xdotool windowfocus --sync "$main_window" 2>/dev/null || true
  xdotool key Escape 2>/dev/null || true
  if poll 2 app_ended; then closed=1; break; fi
done
[ -n "$closed" ] || fail "the window did not close on Escape"
echo "e2e: the tool ended after $attempt Escape press(es)"
app_rc=0
wait "$app_pid" || app_rc=$?
app_pid=
[ "$app_rc" -eq 0 ] || fail "artnrcheck ended with exit code $app_rc"

# --- the survivors -----------------------------------------------------------
after=$(articles) || fail "tbltool export after the deletion"
if [ "$after" != "$expected_after" ]; then
  fail "wrong articles remain (ID:ARTN)
  got      $after
  expected $expected_after"
fi
echo "e2e: remaining articles (ID:ARTN) as expected: $after"
echo "e2e: PASSED"
