#!/usr/bin/env bash
# Builds Velmora and runs every test.
#   scripts/test.sh                     the whole suite (build/)
#   scripts/test.sh --sanitize address  the whole suite under ASan + UBSan (build-address/)
#   scripts/test.sh --sanitize thread   the suite without the Qt window under TSan (build-thread/):
#                                       Qt's own threads are not built for TSan and would only
#                                       bring false reports
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build=build
configure=()
if [ "${1:-}" = "--sanitize" ]; then
  sanitizer=${2:?"--sanitize takes address or thread"}
  build=build-$sanitizer
  configure=(-DVELMORA_SANITIZE="$sanitizer" -DVELMORA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
  [ "$sanitizer" = thread ] && configure+=(-DVELMORA_BUILD_GUI=OFF)
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan-suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi

cmake -S . -B "$build" -G Ninja "${configure[@]}"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
