#!/usr/bin/env bash
# One call of zebrixc against one call of the zint CLI, making the same
# symbol, side by side in one run:
#  - instructions per call, counted by callgrind (stable on a busy machine);
#  - CPU time per call (user + system of the process), median of paired
#    runs in alternating order.
# Cases: EAN-13 with its text to PNG, Code 128 with its text to BMP, QR
# Code 10-M to PNG. zebrixc runs with fonts it remembered from one earlier
# call (its first call with text on a machine starts Qt's fonts; that call
# is shown too).
# Usage: bench/oneshot.sh [build-dir] [pairs]
set -euo pipefail
build=${1:-build}
pairs=${2:-40}
zc=$(realpath "$build/bin/zebrixc")
command -v zint >/dev/null || { echo "zint is not installed (apt-get install zint)"; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 1; }
tmp=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CACHE_HOME="$tmp/cache"
cd "$tmp"

qr=$(printf 'ZEBRIX%.0s' $(seq 30))   # 180 bytes: version 10-M holds them
cases=(
  "EAN-13 text PNG|$zc /JAN 4901234567894 /CC1 /SAVE:z.png|zint -b 13 -d 4901234567894 -o c.png"
  "Code 128 text BMP|$zc /C128 ZEBRIX12345 /CC1 /SAVE:z.bmp|zint -b 20 -d ZEBRIX12345 --filetype=bmp -o c.bmp"
  "QR 10-M PNG|$zc /QR2 /QRV10 /QRE1 $qr /SAVE:q.png|zint -b 58 --vers=10 --secure=2 -d $qr -o q.png"
)

count() {   # instructions of one call
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null \
    | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

first=$(count $zc /JAN 4901234567894 /CC1 /SAVE:first.png)
printf '%-20s %14s %14s %7s   %9s %9s %7s\n' case "zebrixc Ir" "zint Ir" ratio "zebrixc" "zint" ratio
for c in "${cases[@]}"; do
  IFS='|' read -r name z p <<<"$c"
  $z >/dev/null   # the fonts remembered
  zi=$(count $z)
  pi=$(count $p)
  times=$(/usr/bin/python3 - "$pairs" "$z" "$p" <<'PY'
import resource, statistics, subprocess, sys
pairs, cmds = int(sys.argv[1]), [sys.argv[2].split(), sys.argv[3].split()]
def cpu(cmd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000
runs = [[], []]
for i in range(pairs):
    for k in ((0, 1) if i % 2 == 0 else (1, 0)):
        runs[k].append(cpu(cmds[k]))
print(statistics.median(runs[0]), statistics.median(runs[1]))
PY
)
  read -r zt pt <<<"$times"
  awk -v n="$name" -v zi="$zi" -v pi="$pi" -v zt="$zt" -v pt="$pt" 'BEGIN {
    printf "%-20s %14d %14d %7.2f   %7.2fms %7.2fms %7.2f\n", n, zi, pi, zi / pi, zt, pt, zt / pt }'
done
printf '(zebrixc'"'"'s first call with text on this machine, fonts not yet remembered: %d instructions)\n' "$first"
