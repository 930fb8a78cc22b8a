#!/usr/bin/env bash
# Builds Velmora and starts it; arguments go to the program (try --help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)" --target velmora
exec build/app/velmora "$@"
