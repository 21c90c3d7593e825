#!/usr/bin/env bash
# Builds QuietMinder, its emulated handheld and its tests, and runs every test under Wine.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup-machine
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j2
cd build
ctest --output-on-failure -j2 "$@"
