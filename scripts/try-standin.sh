#!/usr/bin/env bash
# Tries Velmora without an account: starts the local stand-in chat service (HTTPS on 127.0.0.1,
# with a CA made for this run), then Velmora pointed at it. Arguments go to velmora
# (for example --terminal). The stand-in stops when Velmora exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)" --target velmora velmora-standin

workdir=$(mktemp -d)
url_file="$workdir/url"
build/tools/velmora-standin --tls --ca-file "$workdir/ca.pem" >"$url_file" &
standin=$!
trap 'kill $standin 2>/dev/null; wait $standin 2>/dev/null; rm -rf "$workdir"' EXIT
for _ in $(seq 100); do [ -s "$url_file" ] && break; sleep 0.05; done
url=$(head -n 1 "$url_file")
echo "stand-in service at $url"

SSL_CERT_FILE="$workdir/ca.pem" VELMORA_API_URL="$url" VELMORA_API_KEY=stand-in-key \
  build/app/velmora "$@"
