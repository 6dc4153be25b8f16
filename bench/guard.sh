#!/usr/bin/env bash
# The performance guard: Zebrix against its peers, measured side by side in
# this one run, in a short mode. It fails only on a gross regression: a ratio
# (Zebrix's time over the peer's) above twice the ratio written down when the
# figures were last taken (the limits below). Never absolute times.
# Usage: bench/guard.sh [build-dir]
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
# In memory where there is a tmpfs: the comparison is of the two programs, not
# of the disk's write-back of thousands of small files.
tmp=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$build/bin/bench_engine" --benchmark_filter='Ean13' --benchmark_min_time=0.2 \
  --benchmark_out="$tmp/engine.json" --benchmark_out_format=json >/dev/null 2>&1
"$build/bin/bench_qr" --benchmark_filter='10-M|40-L' --benchmark_min_time=0.2 \
  --benchmark_out="$tmp/qr.json" --benchmark_out_format=json >/dev/null 2>&1

# zebrixc against the zint CLI: 2,000 lines of Code 128 to PNG, one job each.
# Three rounds in alternating order, the best of each kept.
seq -f 'ZEBRIX%07g' 1 2000 > "$tmp/data.txt"
clock() { local s e; s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(( (e - s) / 1000 )); }
run_zint() {
  rm -rf "$tmp/z"; mkdir "$tmp/z"
  clock zint --batch -b 20 --filetype=png -i "$tmp/data.txt" -o "$tmp/z/~~~~~~~.png"
}
run_zebrixc() {
  rm -rf "$tmp/c"; mkdir "$tmp/c"
  clock sh -c "'$build/bin/zebrixc' --batch /C128 /STB '/SAVE:$tmp/c/#######.png' < '$tmp/data.txt'"
}
zint_us=999999999 zebrixc_us=999999999
for round in 1 2 3; do
  if [ $((round % 2)) = 1 ]; then a=$(run_zint); b=$(run_zebrixc); else b=$(run_zebrixc); a=$(run_zint); fi
  [ "$a" -lt "$zint_us" ] && zint_us=$a
  [ "$b" -lt "$zebrixc_us" ] && zebrixc_us=$b
done

python3 - "$tmp/engine.json" "$tmp/qr.json" "$zebrixc_us" "$zint_us" <<'PY'
import json, sys
engine = {b["name"]: b["cpu_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]}
qr = {b["name"]: b["cpu_time"] for b in json.load(open(sys.argv[2]))["benchmarks"]}
cases = [
    # what, Zebrix, peer, ratio written down, limit = twice that
    ("EAN-13 with text vs libzint", engine["Zebrix_Ean13/1"], engine["Zint_Ean13/1"], 0.91),
    ("EAN-13 bars only vs libzint", engine["Zebrix_Ean13/0"], engine["Zint_Ean13/0"], 0.70),
    ("QR 10-M, 200 bytes vs libqrencode", qr["Zebrix/10-M/200"], qr["libqrencode/10-M/200"], 0.07),
    ("QR 40-L, 2953 bytes vs libqrencode", qr["Zebrix/40-L/2953"], qr["libqrencode/40-L/2953"], 0.09),
    ("zebrixc --batch Code 128 PNG vs zint", float(sys.argv[3]), float(sys.argv[4]), 0.56),
]
failed = False
for what, zebrix, peer, noted in cases:
    ratio = zebrix / peer
    limit = 2 * noted
    verdict = "ok" if ratio <= limit else "GROSS REGRESSION"
    failed |= ratio > limit
    print(f"{what:40s} ratio {ratio:5.2f}  (written down {noted:.2f}, limit {limit:.2f})  {verdict}")
sys.exit(1 if failed else 0)
PY
