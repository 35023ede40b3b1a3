#!/usr/bin/env bash
# tools/check_layers.sh over small source trees: an include that runs up or
# sideways fails and is named; includes that run down pass.
set -euo pipefail
check="$(cd "$(dirname "$0")/../../tools" && pwd)/check_layers.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# expect <label> <pass|fail> <file> <include> [<file> <include> ...]
expect() {
    local label=$1 want=$2
    shift 2
    local root="$scratch/$label"
    mkdir -p "$root"
    for layer in platform config reports devices mes mplib serial stations engine results ui app; do
        mkdir -p "$root/$layer"
    done
    while (($# >= 2)); do
        mkdir -p "$root/$(dirname "$1")"
        printf '#include "%s"\n' "$2" >>"$root/$1"
        shift 2
    done
    local output got=pass
    output=$("$check" "$root" 2>&1) || got=fail
    if [ "$got" != "$want" ]; then
        echo "FAIL $label: expected $want, got $got: $output"
        failures=$((failures + 1))
    elif [ "$want" = fail ] && [[ $output != *"src/"*": "*" includes "* ]]; then
        echo "FAIL $label: the offending include is not named: $output"
        failures=$((failures + 1))
    fi
}

expect station-reaches-main-page fail stations/mp_station.cpp engine/main_page.h
expect common-station-part-reaches-main-page fail stations/station_common.h engine/main_page.h
expect station-steps-reach-main-page fail stations/port_steps.h engine/main_page.h
expect station-context-reaches-tiles fail stations/port_context.h engine/port_tiles.h
expect station-reaches-screens fail stations/identify_port.cpp ui/pages/result_page.h
expect serial-reaches-stations fail serial/drive_serial.cpp stations/log_tree.h
expect side-by-side-layers fail reports/rdt_report.cpp devices/device_table.h
expect downward-includes pass stations/port_context.h serial/serial_state.h \
    stations/port_context.h mplib/mp_library.h engine/main_page.h stations/port_steps.h \
    ui/pages/result_page.h engine/main_page.h
expect own-layer-and-outside-headers pass stations/mp_station.cpp stations/station_common.h \
    stations/mp_station.cpp gtest/gtest.h

if ((failures > 0)); then
    exit 1
fi
echo "check_layers: every case as expected"
