#!/usr/bin/env bash
# Installs everything Zebrix needs to build, run and test on Debian 12.
# Usage: scripts/deps.sh [build|test]   (default: test, which includes build)
# The one place that lists Zebrix's packages: the README commands and CI use it.
set -euo pipefail

build_pkgs=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6
  libzint-dev libjpeg62-turbo-dev libpng-dev gettext
  fonts-noto-cjk fonts-dejavu-core qt6-translations-l10n
)
test_pkgs=(
  libgtest-dev libgmock-dev libbenchmark-dev libzxing-dev libqrencode-dev
  clang libclang-rt-14-dev
  xvfb xauth xclip dbus dbus-x11 libglib2.0-bin python3-dbus openbox xdotool x11-utils
  poppler-utils libreoffice-draw zint locales valgrind
  cups-daemon cups-client printer-driver-cups-pdf weston qt6-wayland wl-clipboard python3
)

want=("${build_pkgs[@]}")
if [ "${1:-test}" = test ]; then want+=("${test_pkgs[@]}"); fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
