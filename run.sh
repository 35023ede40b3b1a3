#!/usr/bin/env bash
# Sets up, builds and starts the program on the demo station.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
./build/sim/varnet-sim demo build/demo-station
exec ./build/src/varnettool --headless --dir build/demo-station "$@"
