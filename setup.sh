#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those still missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev            # fuzz targets (libFuzzer)
    clang-format                        # the formatting check
    qt6-base-dev qt6-base-dev-tools      # the screens
    fonts-liberation2 fonts-wqy-microhei # "Arial" metrics and Chinese glyphs
    dpkg-dev file appstream              # the Debian packages and their checks
    libsqlite3-dev libpq-dev             # the results database and the line server's client
    postgresql                           # a throw-away line server for the tests
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
