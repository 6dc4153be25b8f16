#!/usr/bin/env bash
# A long fuzz campaign on the developer's machine (not part of scripts/test.sh):
# every fuzz target to a number of executions (default 10 million), two at a
# time, then everything the campaign found replayed through the
# AddressSanitizer build.
#
#   scripts/fuzz-long.sh [runs] [work folder]
#
# The campaign itself runs with UndefinedBehaviorSanitizer only: about twice
# as fast, and the replay afterwards still puts every input it kept through
# AddressSanitizer. Corpora and logs stay in the work folder (default
# /tmp/zebrix-fuzz), so a second call goes on from what the first one found.
# Progress: grep -h '^#' <work>/fuzz_*.log | tail
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10000000}
work=$(realpath -m "${2:-/tmp/zebrix-fuzz}")
mkdir -p "$work"

build() {   # build dir, sanitizers
  CC=clang CXX=clang++ cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZEBRIX_FUZZ=ON -DZEBRIX_FUZZ_SANITIZERS="$2" -DBUILD_TESTING=OFF -DZEBRIX_BENCH=OFF \
    -DZEBRIX_PLUGIN=OFF >/dev/null
  cmake --build "$1" -j"$(nproc)" --target zebrix_fuzzers
}
build build-fuzz-ubsan undefined
build build-fuzz address,undefined

targets=$(cd build-fuzz-ubsan/bin && ls fuzz_*)
# The slowest first, so that the two workers end together.
printf '%s\n' fuzz_options fuzz_macro fuzz_qr $(printf '%s\n' $targets | grep -vx 'fuzz_options\|fuzz_macro\|fuzz_qr') \
  >"$work/queue"
: >"$work/outcome"

worker() {
  local n
  while n=$(flock "$work/queue.lock" sh -c 'head -n 1 "$1"; sed -i 1d "$1"' _ "$work/queue") && [ -n "$n" ]; do
    local extra=
    # Long QR data comes from repeating the input; 600 bytes reach version 40.
    [ "$n" = fuzz_qr ] && extra=-max_len=600
    # Option lists, macros and settings files of up to 256 bytes: a score of
    # options, a few macro lines, a section of keys. Longer ones only make
    # symbols again and again, or (the settings target reads every key of its
    # section under four fences) cost time with the square of their length.
    case $n in fuzz_options|fuzz_macro|fuzz_ini) extra=-max_len=256 ;; esac
    mkdir -p "$work/corpus-$n"
    local seeds=fuzz/corpus/${n#fuzz_}
    [ -d "$seeds" ] || seeds=
    local rc=0
    QT_QPA_PLATFORM=offscreen nice -n 10 build-fuzz-ubsan/bin/"$n" -runs="$runs" $extra \
      -print_final_stats=1 "$work/corpus-$n" $seeds >"$work/$n.log" 2>&1 || rc=$?
    echo "$n exit $rc $(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/$n.log" | grep -o '[0-9]*$')" \
      >>"$work/outcome"
  done
}
worker & worker & wait
cat "$work/outcome"

echo "== Replaying every corpus through AddressSanitizer"
status=0
for n in $targets; do
  extra=
  [ "$n" = fuzz_options ] && extra=-detect_leaks=0
  if QT_QPA_PLATFORM=offscreen build-fuzz/bin/"$n" -runs=0 $extra "$work/corpus-$n" >"$work/$n.replay.log" 2>&1; then
    echo "$n: $(ls "$work/corpus-$n" | wc -l) inputs, clean"
  else
    echo "$n: FAILED, see $work/$n.replay.log"; status=1
  fi
done
grep -q -v ' exit 0 ' "$work/outcome" && status=1
exit $status
