#!/usr/bin/env bash
# Sets up, builds and starts the program on the demo station: 24 simulated
# drives are found, identified and taken through the first station file.
# Extra arguments go to the program (for example --config 04_MP.ini or --json).
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
./build/sim/varnet-sim demo build/demo-station
station=build/demo-station
args=(--headless --dir "$station" --device-root "$station/Sim/root")
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
