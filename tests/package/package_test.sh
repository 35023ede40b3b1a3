#!/usr/bin/env bash
# The two Debian packages as a line installs them: built from this build
# folder, unpacked into a scratch root, and run from there: --version, a demo
# station made by the packaged varnet-sim, and a headless run on it.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null 2>&1) || { echo "cpack failed" >&2; exit 1; }
debs=("$scratch"/out/varnettool_*_amd64.deb "$scratch"/out/varnettool-demo_*_amd64.deb)
for deb in "${debs[@]}"; do
    [ -f "$deb" ] || { echo "missing package $deb" >&2; exit 1; }
    dpkg -x "$deb" "$scratch/root"
done
root=$scratch/root

for file in usr/bin/varnettool usr/bin/varnet-flashdb usr/bin/varnet-results usr/share/applications/varnettool.desktop \
    usr/share/icons/hicolor/scalable/apps/varnettool.svg usr/share/icons/hicolor/48x48/apps/varnettool.png \
    usr/share/icons/hicolor/256x256/apps/varnettool.png usr/lib/udev/rules.d/70-varnettool.rules \
    usr/libexec/varnettool/varnet-mphost usr/lib/varnettool-demo/MP_API.so usr/lib/varnettool-demo/MES_DLL.so \
    usr/bin/varnet-sim; do
    [ -e "$root/$file" ] || { echo "the packages lack /$file" >&2; exit 1; }
done
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "${metainfo[@]}" >/dev/null
fi
dpkg-deb -f "${debs[0]}" Depends | grep -q libqt6widgets6 || { echo "no Qt dependency found" >&2; exit 1; }

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
version=$("$root/usr/bin/varnettool" --version)
[[ $version == "varnettool "* ]] || { echo "unexpected version: $version" >&2; exit 1; }

station=$scratch/station
"$root/usr/bin/varnet-sim" demo --instant "$station" >/dev/null
status=0
output=$("$root/usr/bin/varnettool" --headless --dir "$station" --device-root "$station/Sim/root" \
    --config 01_EraseAll.ini --start 2>/dev/null) || status=$?
# The demo has drives that fail on purpose: 1 is a verdict, anything else is not.
[ "$status" -le 1 ] || { echo "headless run ended with $status" >&2; exit 1; }
ports=$(grep -c $'\tPass\t' <<<"$output" || true)
[ "$ports" -ge 20 ] || { echo "only $ports drives passed:" >&2; echo "$output" >&2; exit 1; }
echo "packages install and run: $version, $ports drives passed"
