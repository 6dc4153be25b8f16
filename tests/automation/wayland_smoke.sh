#!/usr/bin/env bash
# Zebrix in a Wayland session: a headless weston of its own, zebrixd on
# Qt's wayland platform, a second start's hand-over saved to a file, and the
# end by "/EXIT". Skipped (exit 77) where weston or Qt's Wayland plugin is
# missing. Usage: wayland_smoke.sh ZEBRIXD
set -u
zebrixd=$1
command -v weston >/dev/null || { echo "weston is not installed"; exit 77; }
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 || { echo "no Qt Wayland plugin"; exit 77; }
root=$(mktemp -d)
trap 'kill "${weston:-}" "${first:-}" 2>/dev/null; rm -rf "$root"' EXIT
mkdir -m 0700 "$root/run" "$root/config"
export XDG_RUNTIME_DIR=$root/run XDG_CONFIG_HOME=$root/config WAYLAND_DISPLAY=zebrix-test QT_QPA_PLATFORM=wayland
unset DISPLAY
weston --backend=headless-backend.so --socket=zebrix-test --idle-time=0 --no-config >"$root/weston.log" 2>&1 &
weston=$!
for _ in $(seq 300); do [ -S "$XDG_RUNTIME_DIR/zebrix-test" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/zebrix-test" ] || { echo "weston does not start"; cat "$root/weston.log"; exit 1; }

"$zebrixd" /C39 WAYLAND &
first=$!
for _ in $(seq 300); do [ -S "$XDG_RUNTIME_DIR/zebrix/Zebrix.sock" ] && break; sleep 0.1; done
timeout 60 "$zebrixd" /QR2 "Zebrix on Wayland" "/SAVE:$root/qr.png" || { echo "the hand-over failed"; exit 1; }
[ -s "$root/qr.png" ] || { echo "no file from the Wayland window"; exit 1; }
timeout 60 "$zebrixd" /EXIT || { echo "/EXIT was not handed over"; exit 1; }
wait "$first" || { echo "the Wayland window did not end cleanly"; exit 1; }
first=
[ -s "$XDG_CONFIG_HOME/zebrixd/zebrixd.ini" ] || { echo "no settings written at the end"; exit 1; }
echo "Zebrix runs on Wayland"
