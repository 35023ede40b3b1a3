#!/usr/bin/env bash
# Sets up, builds and starts the program on the demo station (24 simulated
# drives): in its window when there is a display, otherwise without one,
# where the drives are found, identified and taken through the first station
# file. Extra arguments go to the program: window options (--refresh,
# --quit-when-shown) or the headless runner's (--config 04_MP.ini, --start,
# --click PORT, --json), which choose a run without a window.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
cmake -S . -B build -G Ninja >/dev/null
# Only what the window and the demo need; ./test.sh builds everything.
cmake --build build -j "$(nproc)" --target varnettool varnet-mphost varnet-sim MP_API MES_DLL
./build/sim/varnet-sim demo build/demo-station
station=build/demo-station
base=(--dir "$station" --device-root "$station/Sim/root")

headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    headless=1
fi
for arg in "$@"; do
    case "$arg" in
    --headless | --config | --start | --click | --json) headless=1 ;;
    esac
done

if [ "$headless" -eq 0 ]; then
    exec ./build/src/varnettool "${base[@]}" "$@"
fi

args=(--headless "${base[@]}")
if [ $# -eq 0 ]; then
    args+=(--start)
fi
# A failing drive is a verdict, not a failure of the script: the demo has a
# drive with an unknown flash and one that fails identify on purpose.
status=0
./build/src/varnettool "${args[@]}" "$@" || status=$?
if [ "$status" -ge 2 ]; then
    exit "$status"
fi
