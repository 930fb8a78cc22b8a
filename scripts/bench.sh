#!/usr/bin/env bash
# Measures Velmora: a long streamed reply through `velmora --terminal` against curl dumping the
# same stream, the Google Benchmark figures of the reply handler, the JSON event load and the
# window's appends, and the window's start-up, idle memory and long-reply figures.
#
#   scripts/bench.sh [--events N] [--rounds R] [--stream-only]
#
# --events: events in the streamed reply (default 100000; about 200 bytes and 4 characters of
# text each). --rounds: how often the stream runs through each client; the median is reported
# (default 3). --stream-only: skip everything but the velmora/curl comparison. Builds in build/
# (VELMORA_BENCH_BUILD names another directory).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELMORA_BENCH_BUILD:-build}

events=100000
rounds=3
stream_only=0
while [ $# -gt 0 ]; do
  case $1 in
    --events) events=${2:?}; shift 2 ;;
    --rounds) rounds=${2:?}; shift 2 ;;
    --stream-only) stream_only=1; shift ;;
    *) echo "usage: scripts/bench.sh [--events N] [--rounds R] [--stream-only]" >&2; exit 2 ;;
  esac
done
chars=4

bash scripts/install-deps.sh
# Figures mean something only from an optimised build: keep build/'s type when it is one.
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
case $build_type in Release | RelWithDebInfo) ;; *) build_type=RelWithDebInfo ;; esac
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" -DVELMORA_BUILD_BENCH=ON >/dev/null
gui=$(sed -n 's/^VELMORA_BUILD_GUI:BOOL=//p' "$build/CMakeCache.txt")
targets=(velmora velmora-standin bench_reply_stream bench_json_event)
if [ "$gui" = ON ]; then targets+=(bench_window_append bench_window_stream bench_window_startup); fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

workdir=$(mktemp -d)
standin=
cleanup() {
  if [ -n "$standin" ]; then kill "$standin" 2>/dev/null || true; wait "$standin" 2>/dev/null || true; fi
  rm -rf "$workdir"
}
trap cleanup EXIT

"$build"/tools/velmora-standin --tls --ca-file "$workdir/ca.pem" --events "$events" \
  --chars "$chars" >"$workdir/url" &
standin=$!
for _ in $(seq 100); do [ -s "$workdir/url" ] && break; sleep 0.05; done
url=$(head -n 1 "$workdir/url")
[ -n "$url" ] || { echo "bench: the stand-in service did not start" >&2; exit 1; }

# The reply text the stand-in makes: its phrase repeated, events * chars characters.
expected="$workdir/expected"
awk -v n=$((events * chars)) 'BEGIN {
  text = "Velmora streams this reply. "
  while (length(text) < n) text = text text
  printf "%s", substr(text, 1, n)
}' >"$expected"

# Runs a command under /usr/bin/time; appends "wall user+sys maxrss_kb" to the named list.
measure() {
  local list=$1
  shift
  /usr/bin/time -f '%e %U %S %M' -o "$workdir/time" "$@"
  read -r wall user sys rss <"$workdir/time"
  echo "$wall $(awk -v u="$user" -v s="$sys" 'BEGIN {print u + s}') $rss" >>"$workdir/$list"
}

run_curl() {
  measure curl curl --silent --show-error --no-buffer --cacert "$workdir/ca.pem" -X POST \
    -H 'Authorization: Bearer stand-in-key' -H 'Content-Type: application/json' \
    --data '{"model":"gpt-3.5-turbo","stream":true,"messages":[{"role":"user","content":"hi"}]}' \
    -o "$workdir/curl.out" "$url"
  local got
  got=$(grep -c '^data: ' "$workdir/curl.out" || true)
  if [ "$got" -ne $((events + 2)) ]; then
    echo "bench: curl received $got events, not $((events + 2))" >&2
    exit 1
  fi
}

run_velmora() {
  SSL_CERT_FILE="$workdir/ca.pem" VELMORA_API_URL="$url" VELMORA_API_KEY=stand-in-key \
    measure velmora "$build"/app/velmora --terminal --message hi >"$workdir/velmora.out"
  # The reply is the last line that starts with "AI说：" (the greeting is the first): it must be
  # exactly the text streamed.
  local reply
  reply=$(grep '^AI说：' "$workdir/velmora.out" | tail -n 1)
  if [ "${reply#AI说：}" != "$(cat "$expected")" ]; then
    echo "bench: velmora's reply is not the $((events * chars)) characters streamed" \
      "(got ${#reply} characters)" >&2
    exit 1
  fi
}

echo
echo "== $events events over HTTPS on 127.0.0.1, $rounds rounds"
for _ in $(seq "$rounds"); do
  run_curl
  run_velmora
done
echo "stream: $(awk '{printf "%.1f", $1 / 1e6}' <<<"$(wc -c <"$workdir/curl.out")") MB of events"

median() {  # median of column $2 of list $1
  sort -g -k"$2" "$workdir/$1" | awk -v c="$2" '{v[NR]=$c} END {print v[int((NR+1)/2)]}'
}
printf '%-8s %10s %12s %14s\n' client 'wall (s)' 'CPU (s)' 'peak RSS (MB)'
for client in curl velmora; do
  printf '%-8s %10.2f %12.2f %14.1f\n' "$client" "$(median "$client" 1)" "$(median "$client" 2)" \
    "$(awk -v kb="$(median "$client" 3)" 'BEGIN {print kb / 1024}')"
done
ratio() { awk -v v="$(median velmora "$1")" -v c="$(median curl "$1")" 'BEGIN {print v / c}'; }
printf 'velmora / curl: wall %.1fx, CPU %.1fx, peak RSS %.1fx\n' "$(ratio 1)" "$(ratio 2)" "$(ratio 3)"
echo "(every round checked: curl got every event, velmora showed every character of the reply)"

[ "$stream_only" = 1 ] && exit 0

echo
echo "== reply handler, per event (CPU)"
"$build"/bench/bench_reply_stream
echo
echo "== strict JSON load and delta read, per event"
"$build"/bench/bench_json_event
if [ "$gui" = ON ]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
  echo
  echo "== window ($QT_QPA_PLATFORM): AppendEditText from a worker thread as the transcript grows"
  "$build"/bench/bench_window_append --benchmark_report_aggregates_only=true
  echo
  echo "== window ($QT_QPA_PLATFORM): a long reply, terminal against window"
  "$build"/bench/bench_window_stream "$events"
  echo
  echo "== window ($QT_QPA_PLATFORM): start-up"
  "$build"/bench/bench_window_startup "$(date +%s%N)" 2>/dev/null
  # The program itself, standing idle with its greeting.
  "$build"/app/velmora 2>/dev/null &
  window=$!
  sleep 1.5
  echo "velmora idle RSS: $(awk '/^VmRSS/ {print $2}' /proc/$window/status) KB"
  kill "$window"
  wait "$window" 2>/dev/null || true
fi
