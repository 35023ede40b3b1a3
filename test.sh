#!/usr/bin/env bash
# Sets up, checks the formatting, builds and runs every test: once in the
# release build (warnings are errors there), once under AddressSanitizer and
# UndefinedBehaviorSanitizer.
#   --tsan  also builds a ThreadSanitizer tree and runs the areas where
#           threads meet (engine, stations, serial numbers, the library host,
#           the stand-in library, the headless program over 24 drives, the
#           screens, the results store); tools/tsan.supp says why calls from
#           Qt's own libraries are not tracked
#   --no-asan  skips the AddressSanitizer tree (a quick local run)
set -euo pipefail
cd "$(dirname "$0")"

asan=1
tsan=0
for arg in "$@"; do
    case "$arg" in
    --tsan) tsan=1 ;;
    --no-asan) asan=0 ;;
    *) echo "usage: $0 [--tsan] [--no-asan]" >&2; exit 2 ;;
    esac
done

./setup.sh
./tools/check_format.sh

jobs=$(nproc)
run_suite() {
    local dir=$1; shift
    local tests=$1; shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" ${tests:+-R "$tests"}
}

run_suite build "" -DVARNET_WERROR=ON
if ((asan)); then
    run_suite build-asan "" -DCMAKE_BUILD_TYPE=Debug -DVARNET_SANITIZE=address,undefined -DVARNET_BUILD_BENCH=OFF
fi
if ((tsan)); then
    run_suite build-tsan '^(engine|stations|serial|mplib|mp_api|app|ui|results)$' \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNET_SANITIZE=thread -DVARNET_BUILD_BENCH=OFF
fi
