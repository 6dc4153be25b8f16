#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine with apt (which
# brings the libraries it needs), runs the installed Zebrix from /usr, and
# removes the package again. Usage: scripts/package-test.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DZEBRIX_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build"/zebrix_*.deb)
echo "-- $(basename "$deb")"
dpkg-deb --info "$deb" | sed -n 's/^ *Depends:/Depends:/p'

SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
trap '$SUDO dpkg -r zebrix >/dev/null 2>&1 || true' EXIT
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
fail() { echo "package test: $*" >&2; exit 1; }
[ "$(command -v zebrixc)" = /usr/bin/zebrixc ] || fail "zebrixc is not installed in /usr/bin"
zebrixc --version | grep -q "^zebrixc (Zebrix) " || fail "zebrixc --version"
zebrixd --version | grep -q "^zebrixd (Zebrix) " || fail "zebrixd --version"
zebrixc /JAN 4901234567894 /CC1 "/SAVE:$work/jan.png" || fail "zebrixc makes no JAN symbol"
# The plugin is found in lib/zebrix beside the installed executables.
zebrixc /PDF417 installed "/SAVE:$work/pdf417.png" || fail "the installed plugin is not found"
for f in /usr/share/applications/org.zebrix.zebrixd.desktop /usr/share/metainfo/org.zebrix.zebrixd.metainfo.xml \
         /usr/share/icons/hicolor/48x48/apps/zebrix.png /usr/share/icons/hicolor/scalable/apps/zebrix.svg \
         /usr/share/zebrix/locale/en_US/LC_MESSAGES/default.mo /usr/share/doc/zebrix/zebrixd.html \
         /usr/share/man/man1/zebrixd.1.gz /usr/share/man/man1/zebrixc.1.gz; do
  [ -f "$f" ] || [ -f "${f%.gz}" ] || fail "$f is missing"
done
grep -q '^Name\[ja\]=' /usr/share/applications/org.zebrix.zebrixd.desktop || fail "no Japanese name in the menu entry"
# The window starts from /usr, makes a symbol and ends.
QT_QPA_PLATFORM=offscreen timeout 60 zebrixd /C39 INSTALLED "/SAVE:$work/x.png" /EXIT || fail "zebrixd does not run"
QT_QPA_PLATFORM=offscreen timeout 60 zebrixd &
pid=$!
# A second start hands over once the first listens on its socket.
for _ in $(seq 300); do
  [ -S "$XDG_RUNTIME_DIR/zebrix/Zebrix.sock" ] && break
  sleep 0.1
done
QT_QPA_PLATFORM=offscreen timeout 30 zebrixd /C39 FORWARDED "/SAVE:$work/f.png" || fail "the hand-over failed"
[ -s "$work/f.png" ] || fail "the installed window takes no hand-over"
QT_QPA_PLATFORM=offscreen timeout 10 zebrixd /EXIT
wait "$pid" || fail "the installed window did not end cleanly"
[ -s "$XDG_CONFIG_HOME/zebrixd/zebrixd.ini" ] || fail "no settings file after closing"
rm -rf "$work"
echo "-- the package installs and runs"
