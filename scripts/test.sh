#!/usr/bin/env bash
# Builds Velmora and runs every test.
#   scripts/test.sh                     the whole suite (build/)
#   scripts/test.sh --sanitize address  the suite without the Qt window under ASan + UBSan
#   scripts/test.sh --sanitize thread   the suite without the Qt window under TSan
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build=build
configure=()
ctest_filter=()
if [ "${1:-}" = "--sanitize" ]; then
  sanitizer=${2:?"--sanitize takes address or thread"}
  build=build-$sanitizer
  configure=(-DVELMORA_SANITIZE="$sanitizer" -DVELMORA_BUILD_GUI=OFF -DVELMORA_BUILD_BENCH=OFF
             -DCMAKE_BUILD_TYPE=Debug)
  ctest_filter=(-LE gui)
fi

cmake -S . -B "$build" -G Ninja "${configure[@]}"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "${ctest_filter[@]}"
