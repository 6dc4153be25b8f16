#!/usr/bin/env bash
# Every linear symbology, with and without its text line, against libzint
# making the nearest symbol: instructions per symbol (callgrind), which a
# busy machine does not move. Per symbol after a warm-up: (first + n
# symbols) less (first symbols), divided by n, so that the start, the first
# glyphs and the first kerning pairs drop out on both sides.
# bench_engine's Linear benchmarks give the times of the same cases.
# Usage: bench/linear_count.sh [build-dir] [n] [case ...]
set -euo pipefail
build=${1:-build}
n=${2:-1000}
shift $(( $# > 2 ? 2 : $# ))
cases=("$@")
((${#cases[@]})) || cases=(JAN UPC Code39 NW7 ITF CTF IATA Matrix NEC Customer Code128 Code93)
command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 1; }
bench=$(realpath "$build/bin/bench_engine")
warm=200
export QT_QPA_PLATFORM=offscreen

count() {   # who case text symbols
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bench" --count "$@" 2>&1 \
    | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
per() { echo $(( ($(count "$1" "$2" "$3" $((warm + n))) - $(count "$1" "$2" "$3" "$warm")) / n )); }

printf '%-10s %-9s %12s %12s %7s\n' case line "Zebrix Ir" "libzint Ir" ratio
for c in "${cases[@]}"; do
  for text in 1 0; do
    z=$(per zebrix "$c" "$text")
    p=$(per zint "$c" "$text")
    awk -v c="$c" -v t="$text" -v z="$z" -v p="$p" 'BEGIN {
      printf "%-10s %-9s %12d %12d %7.2f\n", c, (t ? "text" : "bars only"), z, p, z / p }'
  done
done
