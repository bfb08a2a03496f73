#!/usr/bin/env bash
# Wall time of `VelmoraSetup.exe --launch` against a minimal program that only
# creates the same game host process, both under Wine in the same run.
#   bench/launch/run.sh BUILD_DIR [ROUNDS]
#
# Installs a stand-in game by hand (state file, runtime folder with the
# stand-in dotnet.exe, launcher folder with a dummy VelmoraGame.dll), then
# bench_launch.exe times ROUNDS (30 by default) runs of each program,
# interleaved, and prints the medians and their ratio. Goal: ratio <= 1.10.
set -euo pipefail
build=$(cd "${1:?usage: run.sh BUILD_DIR [ROUNDS]}" && pwd)
rounds=${2:-30}
winpath() { echo "Z:${1//\//\\}"; }
json_string() { python3 -c 'import json,sys; print(json.dumps(sys.argv[1]))' "$1"; }

for target in bench_launch bench_launch_minimal; do
    if [ ! -f "$build/bench/$target.exe" ]; then
        cmake --build "$build" --target "$target" -j2 >/dev/null ||
            { echo "cannot build $target in $build" >&2; exit 1; }
    fi
done
for file in VelmoraSetup.exe stand-ins/dotnet.exe; do
    [ -f "$build/$file" ] || { echo "build $file first" >&2; exit 1; }
done

work="$build/bench-launch"
rm -rf "$work"
# A blank in the root proves the quoting costs nothing extra on either side.
root="$work/install root"
runtime="$root/Velmora/dotnet/8.0.11"
launcher="$root/Programs/Velmora"
mkdir -p "$runtime" "$launcher" "$root/Velmora/state" "$work/bin"
cp "$build/stand-ins/dotnet.exe" "$runtime/"
head -c 4096 /dev/urandom >"$launcher/VelmoraGame.dll"
cp "$build/VelmoraSetup.exe" "$build/bench/bench_launch_minimal.exe" "$work/bin/"
printf '{\n  "dotnetRoot": %s,\n  "launcherDirectory": %s\n}' \
    "$(json_string "$(winpath "$runtime")")" "$(json_string "$(winpath "$launcher")")" \
    >"$root/Velmora/state/bootstrap.json"

export VELMORA_TEST_ROOT=$(winpath "$root")
export VELMORA_STANDIN_DOTNET_RECORD=$(winpath "$work/dotnet-record.json")
unset VELMORA_STANDIN_LOG VELMORA_STANDIN_RULES VELMORA_STANDIN_TIMES

"$build/wine-run" "$build/bench/bench_launch.exe" \
    --setup "$(winpath "$work/bin/VelmoraSetup.exe")" \
    --minimal "$(winpath "$work/bin/bench_launch_minimal.exe")" \
    --host "$(winpath "$runtime/dotnet.exe")" \
    --game "$(winpath "$launcher/VelmoraGame.dll")" \
    --launcher-directory "$(winpath "$launcher")" \
    --dotnet-root "$(winpath "$runtime")" \
    --record "$VELMORA_STANDIN_DOTNET_RECORD" \
    --rounds "$rounds" | tr -d '\r'
