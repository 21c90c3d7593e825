#!/usr/bin/env bash
# Builds everything and runs every benchmark program; the start-up benchmark runs on an emulated
# handheld of its own (build/bench-device). Prints figures only; nothing here passes or fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/..
build=${BUILD:-$root/build}
"$root/tools/setup-machine"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
BUILD=$build "$root/emulator/device.sh" create "$build/bench-device" ppc2003phone >/dev/null
for bench in startup/startup_bench sound/tick_bench protection/bench_protection meetings/meeting_query_bench; do
  echo "== $bench"
  QM_WINEPREFIX=$build/bench-device "$root/tools/wine-run" "$build/bench/$bench.exe"
done
"$root/emulator/device.sh" stop "$build/bench-device"
