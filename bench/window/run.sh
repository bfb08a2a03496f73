#!/usr/bin/env bash
# The setup window's answer times during a demo install.
#   bench/window/run.sh BUILD_DIR
#
# Makes demo archives of realistic size and their manifest (as bench/install
# does), puts VelmoraSetup.exe beside the stand-in curl/tar/powershell, and has
# bench_window.exe start it, press "Install" and time a WM_NULL to the window
# every 50 ms until the install ends. Goal: no answer slower than 100 ms.
# Uses the display in DISPLAY, or starts Xvfb for the run (tools/lib/display.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
winpath() { echo "Z:${1//\//\\}"; }

if [ ! -f "$build/bench/bench_window.exe" ]; then
    cmake --build "$build" --target bench_window -j2 >/dev/null ||
        { echo "cannot build bench_window in $build" >&2; exit 1; }
fi
for file in VelmoraSetup.exe stand-ins/curl.exe stand-ins/tar.exe stand-ins/powershell.exe \
    stand-ins/dotnet.exe; do
    [ -f "$build/$file" ] || { echo "build $file first" >&2; exit 1; }
done

source "$root/tools/lib/display.sh"
trap display_stop EXIT
display_start

work="$build/bench-window"
rm -rf "$work"
web="$work/web"
bin="$work/bin"
releases="$web/releases"
mkdir -p "$web/client" "$bin" "$work/temp" "$work/install root"
# The stand-in curl serves any host from the web root; publish-manifest
# takes only a host that players could reach.
host="https://cdn.velmora.net"
source "$root/bench/realistic_release.sh"
make_realistic_release >/dev/null

cp "$build/VelmoraSetup.exe" "$build/stand-ins/curl.exe" "$build/stand-ins/tar.exe" \
    "$build/stand-ins/powershell.exe" "$bin/"
export VELMORA_TEST_ROOT=$(winpath "$work/install root")
export VELMORA_BOOTSTRAP_URL="$host/client/bootstrap.json"
export VELMORA_STANDIN_WEB_ROOT=$(winpath "$web")
export TEMP=$(winpath "$work/temp") TMP=$(winpath "$work/temp")
unset VELMORA_STANDIN_LOG VELMORA_STANDIN_RULES VELMORA_STANDIN_TIMES VELMORA_STANDIN_DOTNET_RECORD

"$build/wine-run" "$build/bench/bench_window.exe" "$(winpath "$bin/VelmoraSetup.exe")" |
    tr -d '\r'
[ -f "$work/install root/Programs/Velmora/VelmoraGame.dll" ] ||
    { echo "the install left no launcher" >&2; exit 1; }
