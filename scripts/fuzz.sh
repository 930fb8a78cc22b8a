#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under ASan + UBSan into build-fuzz and runs them.
#   scripts/fuzz.sh                       every target for 600 s each
#   scripts/fuzz.sh utf8_decoder          one target for 600 s
#   scripts/fuzz.sh all 120               every target for 120 s each
#   scripts/fuzz.sh --list                the target names
# Each run starts from the committed corpus (tests/fuzz/corpus/<target>/) and, when it ends
# without a finding, merges into it the new inputs that reach code the corpus did not. A crash or
# failed check ends that target's run (the others still run, and the script fails at the end);
# the input is left in build-fuzz/artifacts/<target>/ and is not added to the corpus.
# Needs clang and its runtime libraries (Debian: clang libclang-rt-14-dev).
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(text_primitives utf8_decoder url_helpers json_document reply_stream)
if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${targets[@]}"
  exit 0
fi
which=${1:-all}
seconds=${2:-600}
if [ "$which" != all ]; then
  [[ " ${targets[*]} " == *" $which "* ]] || { echo "unknown target: $which" >&2; exit 2; }
  targets=("$which")
fi

bash scripts/install-deps.sh --fuzz
compiler=$(command -v clang++ || command -v clang++-14 || true)
[ -n "$compiler" ] || { echo "clang++ not found: apt-get install clang libclang-rt-14-dev" >&2; exit 1; }

build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" -DVELMORA_BUILD_FUZZERS=ON \
  -DVELMORA_BUILD_GUI=OFF -DVELMORA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

failed=()
for target in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/$target
  scratch=$build/corpus/$target
  artifacts=$build/artifacts/$target
  mkdir -p "$corpus" "$scratch" "$artifacts"
  options=(-max_len=512 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1)
  [ -f "tests/fuzz/$target.dict" ] && options+=(-dict="tests/fuzz/$target.dict")

  echo "== $target: $seconds s"
  if ! "$build/tests/fuzz/fuzz_$target" "${options[@]}" -max_total_time="$seconds" \
    -artifact_prefix="$artifacts/" "$scratch" "$corpus"; then
    failed+=("$target")
    continue
  fi
  # Only inputs that reach new edges join the committed corpus, so it stays small.
  "$build/tests/fuzz/fuzz_$target" "${options[@]}" -use_counters=0 -merge=1 "$corpus" "$scratch" 2>&1 |
    grep -E '^MERGE-OUTER: [0-9]+ new files' || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "findings in: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
