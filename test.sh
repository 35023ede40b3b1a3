#!/usr/bin/env bash
# Sets up, builds and runs every test: once in the release build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh

jobs=$(nproc)
run_suite() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_suite build
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DVARNET_SANITIZE=address,undefined -DVARNET_BUILD_BENCH=OFF
