#!/usr/bin/env bash
# A batch of Code 128 symbols with their text to PNG, one job, zebrixc
# against the zint CLI on the same lines and the same picture (2 pixels per
# module, bars 50 pixels long, the text under them), in memory where there is
# a tmpfs. Rounds in alternating order; the median of each side and their
# ratio. Also zebrixc without text, for the record.
# Usage: bench/batch.sh [build-dir] [lines] [rounds]
set -euo pipefail
build=${1:-build}
lines=${2:-10000}
rounds=${3:-3}
zc=$(realpath "$build/bin/zebrixc")
command -v zint >/dev/null || { echo "zint is not installed (apt-get install zint)"; exit 1; }
tmp=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CACHE_HOME="$tmp/cache"
seq -f 'ZEBRIX%07g' 1 "$lines" > "$tmp/data.txt"

ms() { local s e; s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(( (e - s) / 1000000 )); }
zint_run() {
  rm -rf "$tmp/out"; mkdir "$tmp/out"
  ms zint --batch -b 20 --scale=1 --height=25 --filetype=png -i "$tmp/data.txt" -o "$tmp/out/~~~~~~~.png"
}
zebrixc_run() {   # extra options
  rm -rf "$tmp/out"; mkdir "$tmp/out"
  ms sh -c "'$zc' --batch /C128 /TN2 $* '/SAVE:$tmp/out/#######.png' < '$tmp/data.txt'"
}
zebrixc_run /HT67 /CC1 >/dev/null   # the fonts remembered

zint_ms=() text_ms=() bars_ms=()
for ((r = 0; r < rounds; ++r)); do
  if ((r % 2 == 0)); then
    zint_ms+=("$(zint_run)"); text_ms+=("$(zebrixc_run /HT67 /CC1)"); bars_ms+=("$(zebrixc_run /HT50)")
  else
    bars_ms+=("$(zebrixc_run /HT50)"); text_ms+=("$(zebrixc_run /HT67 /CC1)"); zint_ms+=("$(zint_run)")
  fi
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
z=$(median "${zint_ms[@]}") t=$(median "${text_ms[@]}") b=$(median "${bars_ms[@]}")
echo "== $lines lines of Code 128 to PNG, one job, median of $rounds rounds"
printf '%-30s %6d ms\n' "zint CLI, with text" "$z"
printf '%-30s %6d ms   ratio %.2f\n' "zebrixc, with text" "$t" "$(awk -v a="$t" -v b="$z" 'BEGIN { print a / b }')"
printf '%-30s %6d ms   ratio %.2f\n' "zebrixc, bars only" "$b" "$(awk -v a="$b" -v b="$z" 'BEGIN { print a / b }')"
