#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for the given
# number of seconds (default 60), starting from its seed corpus. Findings are
# written to fuzz/findings/; add a minimised crash to fuzz/corpus/<target>/ so
# the test suite replays it from then on.
set -euo pipefail
cd "$(dirname "$0")"
seconds=${1:-60}
../setup.sh
CC=clang CXX=clang++ cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "$(nproc)"
mkdir -p findings
for target in build/fuzz_*; do
    name=$(basename "$target")
    work="corpus-work/$name"
    mkdir -p "$work"
    cp -n "corpus/$name"/* "$work"/ 2>/dev/null || true
    echo "== $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -artifact_prefix="findings/$name-" -print_final_stats=1 "$work" 2>&1 |
        grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Done' || true
done
