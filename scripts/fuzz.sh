#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz in build-fuzz/ (clang, libFuzzer,
# address and undefined-behaviour sanitizers) and runs each for SECONDS
# (default 30), two at a time, starting from its seed inputs in
# tests/fuzz/corpus/<name>/. One line per target; it ends in " ok" when
# nothing was found. A finding (crash, leak, undefined behaviour, hang, an
# allocation beyond the limit, a broken property) leaves its input and the
# log in build-fuzz/findings/<name>/, prints their paths and makes the exit
# code 1. What the runs learn stays in build-fuzz/corpus/ for the next run.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds < 1)); then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi

bash scripts/setup.sh --packages-only

build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$build" -DARTNR_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    "${launcher[@]}" >"$build.configure.log" 2>&1 || { cat "$build.configure.log" >&2; exit 1; }
  rm -f "$build.configure.log"
fi
cmake --build "$build" -j"$(nproc)" --target fuzzers >"$build/build.log" 2>&1 ||
  { tail -n 50 "$build/build.log" >&2; echo "fuzz.sh: the build failed ($build/build.log)" >&2; exit 1; }

# Leaks of system libraries are not findings; undefined behaviour stops the
# target like a crash. Qt draws off-screen.
export LSAN_OPTIONS="suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0"
export QT_QPA_PLATFORM=offscreen

targets=()
for source in tests/fuzz/*_fuzz.cpp; do
  name=$(basename "$source" _fuzz.cpp)
  targets+=("$name")
done

# One target: its verdict line goes to $build/findings/<name>/verdict.
run_one() {
  local name=$1 findings=$build/findings/$1 corpus=$build/corpus/$1
  rm -rf "$findings"
  mkdir -p "$findings" "$corpus" "tests/fuzz/corpus/$name"
  local status=0
  # -timeout: one input running longer is a hang; the outer timeout ends a
  # target that stops answering altogether.
  timeout --kill-after=10 $((seconds + 120)) "$build/fuzz/${name}_fuzz" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
    -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "tests/fuzz/corpus/$name" >"$findings/log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$findings/log" | tail -n 1)
  local inputs
  inputs=$(find "$findings" -maxdepth 1 -type f ! -name log ! -name verdict)
  if ((status == 0)) && [ -z "$inputs" ]; then
    printf '%-18s %4s s %10s runs ok\n' "$name" "$seconds" "${runs:-?}" >"$findings/verdict"
    rm -f "$findings/log"
  else
    {
      printf '%-18s FOUND (exit %s), log: %s\n' "$name" "$status" "$findings/log"
      for input in $inputs; do printf '%-18s   input: %s\n' "" "$input"; done
      if [ -z "$inputs" ]; then printf '%-18s   no input was saved: see the log\n' ""; fi
    } >"$findings/verdict"
  fi
}

slots=$(nproc)
found=0
for ((i = 0; i < ${#targets[@]}; i += slots)); do
  batch=("${targets[@]:i:slots}")
  for name in "${batch[@]}"; do run_one "$name" & done
  wait
  for name in "${batch[@]}"; do
    cat "$build/findings/$name/verdict"
    grep -q ' ok$' "$build/findings/$name/verdict" || found=$((found + 1))
  done
done

echo "fuzz: $((${#targets[@]} - found)) passed, $found failed"
if ((found)); then
  echo "fuzz.sh: findings above; each input replays with $build/fuzz/<name>_fuzz INPUT" >&2
  exit 1
fi
