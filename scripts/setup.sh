#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing, so a
# rerun is quick) and builds everything into build/; with --packages-only it
# stops after the packages (scripts/fuzz.sh builds elsewhere).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ pkg-config qt6-base-dev libsqlite3-dev sqlite3 zlib1g-dev
  libgtest-dev googletest fonts-dejavu-core fonts-dejavu-extra fonts-liberation2 xvfb xdotool imagemagick libpq-dev
  postgresql clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg -s "$package" 2>/dev/null | grep -q '^Status: install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

if [ "${1:-}" = "--packages-only" ]; then exit 0; fi

cmake -S . -B build
cmake --build build -j"$(nproc)"
