#!/usr/bin/env bash
# Installs what is missing, builds Zebrix and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
# The program alone: the tests and benchmarks need the test packages.
scripts/build.sh -DBUILD_TESTING=OFF -DZEBRIX_BENCH=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<MSG
Zebrix is built, but this session has no display to show its window on.
Make barcodes without a window with the console front end, for example:
  build/bin/zebrixc /JAN 4901234567894 /SAVE:jan.png
  build/bin/zebrixc --help
or start the window on a virtual display: xvfb-run -a build/bin/zebrixd
MSG
  exit 1
fi
exec build/bin/zebrixd "$@"
