#!/usr/bin/env bash
# The performance guard: Zebrix against its peers, side by side in this one
# run. Every figure is a ratio of instruction counts (callgrind), which do
# not move when the machine is busy: a busy machine cannot fail the guard,
# only a change of Zebrix (or of a library on either side) can. It fails on
# a gross regression: a ratio above 1.5 times the ratio written down when the
# figures were last taken (the limits below).
#  - In process, per symbol after a warm-up: EAN-13 with and without its
#    text and Code 128 with it against libzint; QR Code 10-M and 40-L
#    against libqrencode.
#  - A single call of zebrixc (EAN-13 with text to PNG, fonts remembered)
#    against a call of the zint CLI, whole processes.
#  - A batch of Code 128 with text to PNG, per line, against the zint CLI.
# Usage: bench/guard.sh [build-dir]
set -euo pipefail
build=${1:-build}
command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 1; }
command -v zint >/dev/null || { echo "zint is not installed (apt-get install zint)"; exit 1; }
tmp=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_CACHE_HOME="$tmp/cache"
zc=$(realpath "$build/bin/zebrixc")
cg() { valgrind --tool=callgrind --callgrind-out-file="$1" "${@:2}" >/dev/null 2>&1; }
total() { sed -n 's/^summary: //p' "$1"; }

# In process: each case counted alone after its warm-up (a dump each).
cg "$tmp/engine.cg" "$build/bin/bench_engine" --count-all 200
for f in "$tmp"/engine.cg.*; do
  echo "$(sed -n 's/^desc: Trigger: Client Request: //p' "$f") $(total "$f")"
done > "$tmp/engine.txt"

# QR: (1 + N encodes) less 1 encode, so that start-up drops out.
for c in 10-M/200 40-L/2953; do
  for who in zebrix qrencode; do
    cg "$tmp/one.cg" "$build/bin/bench_qr" --encode "$who" "$c" 1
    cg "$tmp/many.cg" "$build/bin/bench_qr" --encode "$who" "$c" 21
    echo "$who/$c $(( $(total "$tmp/many.cg") - $(total "$tmp/one.cg") ))"
  done
done > "$tmp/qr.txt"

# A single call each, in a folder of their own; zebrixc's fonts remembered
# by a first call.
(cd "$tmp" && "$zc" /JAN 4901234567894 /CC1 /SAVE:warm.png)
(cd "$tmp" && cg "$tmp/zc.cg" "$zc" /JAN 4901234567894 /CC1 /SAVE:z.png)
(cd "$tmp" && cg "$tmp/zint.cg" zint -b 13 -d 4901234567894 -o c.png)
echo "oneshot $(total "$tmp/zc.cg") $(total "$tmp/zint.cg")" > "$tmp/oneshot.txt"

# A batch: (300 lines) less (100 lines), per line.
seq -f 'ZEBRIX%07g' 1 300 > "$tmp/300.txt"
head -100 "$tmp/300.txt" > "$tmp/100.txt"
mkdir "$tmp/out"
for n in 100 300; do
  cg "$tmp/zc$n.cg" "$zc" --batch /C128 /CC1 "/SAVE:$tmp/out/z#######.png" < "$tmp/$n.txt"
  cg "$tmp/zint$n.cg" zint --batch -b 20 --filetype=png -i "$tmp/$n.txt" -o "$tmp/out/c~~~~~~~.png"
done
echo "batch $(( ($(total "$tmp/zc300.cg") - $(total "$tmp/zc100.cg")) / 200 ))" \
  "$(( ($(total "$tmp/zint300.cg") - $(total "$tmp/zint100.cg")) / 200 ))" > "$tmp/batch.txt"

python3 - "$tmp" <<'PY'
import sys
tmp = sys.argv[1]
def table(name):
    return {line.split()[0]: [int(v) for v in line.split()[1:]] for line in open(f"{tmp}/{name}") if line.strip()}
engine, qr, oneshot, batch = table("engine.txt"), table("qr.txt"), table("oneshot.txt"), table("batch.txt")
cases = [
    # what, Zebrix's instructions, the peer's, ratio written down
    ("EAN-13 with text vs libzint", engine["zebrix/JAN/text"][0], engine["zint/JAN/text"][0], 0.25),
    ("EAN-13 bars only vs libzint", engine["zebrix/JAN/bars"][0], engine["zint/JAN/bars"][0], 0.30),
    ("Code 128 with text vs libzint", engine["zebrix/Code128/text"][0], engine["zint/Code128/text"][0], 0.40),
    ("QR 10-M, 200 bytes vs libqrencode", qr["zebrix/10-M/200"][0], qr["qrencode/10-M/200"][0], 0.15),
    ("QR 40-L, 2953 bytes vs libqrencode", qr["zebrix/40-L/2953"][0], qr["qrencode/40-L/2953"][0], 0.14),
    ("zebrixc call EAN-13 text PNG vs zint", oneshot["oneshot"][0], oneshot["oneshot"][1], 14.5),
    ("zebrixc --batch Code 128 text per line", batch["batch"][0], batch["batch"][1], 1.02),
]
failed = False
for what, zebrix, peer, noted in cases:
    ratio = zebrix / peer
    limit = 1.5 * noted
    verdict = "ok" if ratio <= limit else "GROSS REGRESSION"
    failed |= ratio > limit
    print(f"{what:40s} ratio {ratio:6.2f}  (written down {noted:5.2f}, limit {limit:5.2f})  {verdict}")
sys.exit(1 if failed else 0)
PY
