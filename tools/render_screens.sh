#!/usr/bin/env bash
# Renders the screens to PNG files for review: the main page with 8, 16 and
# 24 ports, idle, identified, running and with verdicts, the Configuration
# tab for each station, the "RDT Info" and "Bad Block Info" pages on a drive
# whose burn-in failed, and its log viewer, in English and in Chinese, on a
# demo station of its own, on Qt's offscreen platform (no display needed).
# The pictures land in build/screens/ as main-<en|zh>-<ports>-<state>.png,
# settings-<en|zh>-<station>.png, rdt-info-<en|zh>.png,
# bad-block-<en|zh>.png and log-<en|zh>.png.
#   usage: tools/render_screens.sh [main|settings|results]  (default: all)
#   VARNET_BUILD_DIR  the build folder to use (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
./setup.sh
build=${VARNET_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" -j "$(nproc)" --target varnet-render MP_API MES_DLL
out=build/screens
only=()
if (($#)); then
    only=(--only "$1")
else
    rm -rf "$out"
fi
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
# The language comes from the environment; nothing may override LANG.
unset LC_ALL LC_MESSAGES
for lang in en_US.UTF-8 zh_CN.UTF-8; do
    LANG=$lang "$build/src/varnet-render" --out "$out" --sim "$build/sim" "${only[@]}" 2> >(grep -v '^QStandardPaths' >&2)
done
echo "screens in $out"
