#!/bin/sh
# Instructions per QR encode, Zebrix against libqrencode, counted by callgrind
# (stable where wall-clock times are not). Each figure is the difference
# between a run of 1 + N encodes and a run of 1 encode, divided by N, so
# start-up and the first call's warm-up drop out.
#
#   bench/qr_callgrind.sh [path/to/bench_qr] [N]
set -eu
BIN=${1:-build/bin/bench_qr}
N=${2:-20}

instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$BIN" --encode "$1" "$2" "$3" 2>&1 \
        | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

printf '%-12s %14s %14s %8s\n' case "Zebrix Ir" "libqrencode Ir" ratio
for c in 1-L/17 10-M/200 40-L/2953; do
    z1=$(instructions zebrix "$c" 1)
    zn=$(instructions zebrix "$c" $((N + 1)))
    q1=$(instructions qrencode "$c" 1)
    qn=$(instructions qrencode "$c" $((N + 1)))
    z=$(( (zn - z1) / N ))
    q=$(( (qn - q1) / N ))
    printf '%-12s %14d %14d %8s\n' "$c" "$z" "$q" "$(awk "BEGIN { printf \"%.3f\", $z / $q }")"
done
