#!/usr/bin/env bash
# Installs every Debian package Velmora needs to build, run, test and benchmark.
# The one list of packages: the run command, the test command and CI all call this.
#   scripts/install-deps.sh          what building, running, testing and benchmarking need
#   scripts/install-deps.sh --fuzz   and clang with its sanitizer runtimes, for scripts/fuzz.sh
set -euo pipefail

packages=(
  # toolchain
  g++ make cmake ninja-build pkg-config
  # window
  qt6-base-dev qt6-qpa-plugins fonts-wqy-microhei
  # HTTP and TLS
  libboost-dev libssl-dev openssl ca-certificates
  # JSON script engine, callback trampolines
  duktape-dev libffi-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth libxcb1-dev curl time
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
