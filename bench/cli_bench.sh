#!/usr/bin/env bash
# zebrixc against the zint CLI, side by side in one run:
#  - batch throughput (files per second) for N lines of Code 128 to PNG and
#    to BMP, and QR Code version 10-M to PNG;
#  - the latency of one call that makes one EAN-13 file.
# Usage: bench/cli_bench.sh [build-dir] [lines]
set -euo pipefail
build=${1:-build}
lines=${2:-10000}
zc=$(realpath "$build/bin/zebrixc")
command -v zint >/dev/null || { echo "zint is not installed (apt-get install zint)"; exit 1; }
[ -x "$zc" ] || { echo "no $zc: build first"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

seq -f 'ZEBRIX%07g' 1 "$lines" > "$tmp/data.txt"
now() { date +%s.%N; }
rate() { awk -v n="$lines" -v s="$1" -v e="$2" 'BEGIN { printf "%8.0f files/s", n / (e - s) }'; }

run_case() {   # name zint-args zebrixc-options ext
  local name=$1 zargs=$2 zopts=$3 ext=$4
  for who in zint "zebrixc --jobs 1" "zebrixc --jobs 2"; do
    rm -rf "$tmp/out"; mkdir "$tmp/out"
    sync
    local s e
    s=$(now)
    if [ "$who" = zint ]; then
      # shellcheck disable=SC2086
      zint --batch $zargs --filetype="$ext" -i "$tmp/data.txt" -o "$tmp/out/~~~~~~~.$ext" >/dev/null
    else
      # shellcheck disable=SC2086
      $zc --batch ${who#zebrixc } $zopts "/SAVE:$tmp/out/#######.$ext" < "$tmp/data.txt"
    fi
    e=$(now)
    local made
    made=$(find "$tmp/out" -type f | wc -l)
    printf '%-28s %-18s %s (%d files)\n' "$name" "$who" "$(rate "$s" "$e")" "$made"
  done
}

echo "== Batch, $lines lines"
run_case "Code 128 -> PNG" "-b 20" "/C128 /STB" png
run_case "Code 128 -> BMP" "-b 20" "/C128 /STB" bmp
run_case "QR 10-M -> PNG" "-b 58 --vers=10 --secure=2" "/QR2 /QRV10 /QRE1" png

echo "== One EAN-13 file per call (mean of 200 calls)"
latency() {   # label command...
  local label=$1 s e
  shift
  s=$(now)
  for _ in $(seq 200); do "$@" >/dev/null; done
  e=$(now)
  awk -v l="$label" -v s="$s" -v e="$e" 'BEGIN { printf "%-10s %6.2f ms\n", l, (e - s) * 1000 / 200 }'
}
cd "$tmp"
latency zint zint -b 13 -d 4901234567894 -o one.png
latency zebrixc "$zc" /JAN 4901234567894 /SAVE:one.png
latency true /bin/true
