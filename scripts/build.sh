#!/usr/bin/env bash
# Configures and builds Zebrix into ./build (executables in build/bin).
# Extra arguments go to CMake's configure step: without any, the program
# alone; -DBUILD_TESTING=ON adds the tests, -DZEBRIX_BENCH=ON the benchmarks.
# The configure output ends with a summary of what was found and what is built.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j"$(nproc)"
