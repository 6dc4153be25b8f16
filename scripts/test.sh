#!/usr/bin/env bash
# Installs what is missing, builds Zebrix and runs every test:
#  1. the test suite (ctest) on a virtual X server and a private D-Bus session,
#     then the performance guard (bench/guard.sh: gross regressions only),
#  2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
#  3. every fuzz target for a bounded time (ZEBRIX_FUZZ_SECONDS, default 30),
#  4. the Debian package, installed with apt and run from /usr.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
fuzz_seconds=${ZEBRIX_FUZZ_SECONDS:-30}
jobs=$(nproc)

run_suite() {   # build dir
  # A private X server (clipboard tests) and session bus (automation tests).
  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- \
    ctest --test-dir "$1" --output-on-failure -j"$jobs" --timeout 600
}

echo "== Build and test"
scripts/build.sh -DBUILD_TESTING=ON -DZEBRIX_BENCH=ON
run_suite build

echo "== Performance guard (ratios against libzint, libqrencode and the zint CLI)"
bench/guard.sh build

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEBRIX_SANITIZE=ON -DBUILD_TESTING=ON -DZEBRIX_BENCH=OFF
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_suite build-asan

echo "== Fuzzing (${fuzz_seconds} s per target)"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEBRIX_FUZZ=ON -DBUILD_TESTING=OFF -DZEBRIX_BENCH=OFF -DZEBRIX_PLUGIN=OFF
cmake --build build-fuzz -j"$jobs" --target zebrix_fuzzers
for f in build-fuzz/bin/fuzz_*; do
  echo "-- $(basename "$f")"
  corpus=$(mktemp -d)
  # Seeds, where the target has them: fuzz/corpus/<target without "fuzz_">.
  seeds=fuzz/corpus/$(basename "$f" | sed 's/^fuzz_//')
  [ -d "$seeds" ] || seeds=
  "$f" -max_total_time="$fuzz_seconds" -print_final_stats=1 "$corpus" $seeds 2>&1 | tail -n 3
  rm -rf "$corpus"
done
echo "== The Debian package"
scripts/package-test.sh

echo "== All tests passed"
