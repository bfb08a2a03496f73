#!/usr/bin/env bash
# The headless install on the real curl.exe and tar.exe, from the project's
# web server on 127.0.0.1, against its floor.
#   bench/real-install/run.sh BUILD_DIR [PAIRS]
#
# Makes archives of realistic size (runtime 70 MB in 400 files, desktop
# runtime 30 MB, launcher 50 MB), publishes their manifest with the server's
# URLs, and after one warm-up of each runs PAIRS (5 by default) interleaved
# pairs of
#   setup  `VelmoraSetup.exe --install-headless` into a fresh install root,
#   floor  bench_tool_floor.exe: the same seven curl.exe/tar.exe commands one
#          after another and the digests of the same three archives, nothing else,
# each timed as Windows records the process's lifetime. Reports, as lines
# "real_install.NAME VALUE UNIT", each pair N's setup_pairN, floor_pairN and
# their ratio_pairN, the medians of the three and the ratios' min and max.
# Goal: ratio median at most 1.10.
# BUILD_DIR is a MinGW build folder with the real tools built.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR [PAIRS]}" && pwd)
pairs=${2:-5}
winpath() { echo "Z:${1//\//\\}"; }

for file in VelmoraSetup.exe real-tools/curl.exe real-tools/tar.exe stand-ins/dotnet.exe \
    bench/bench_tool_floor.exe bench/bench_process_time.exe; do
    [ -f "$build/$file" ] || { echo "build $file first" >&2; exit 1; }
done

work="$build/bench-real-install"
rm -rf "$work"
web="$work/web"
bin="$work/bin"
releases="$web/releases"
mkdir -p "$web/client" "$bin" "$work/temp"

"$root/tools/web-server" --root "$web" --log "$work/access.log" --port-file "$work/port" \
    --parent $$ >/dev/null &
server_pid=$!
trap 'kill $server_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -f "$work/port" ] && break; sleep 0.05; done
host="http://127.0.0.1:$(cat "$work/port")"

echo "== archives and their manifest, served from $host"
source "$root/bench/realistic_release.sh"
make_realistic_release
urls=("$host/client/bootstrap.json" "$host/releases/dotnet-runtime.zip"
      "$host/releases/windowsdesktop-runtime.zip" "$host/releases/VelmoraLauncher-1.4.0.zip")

cp "$build/VelmoraSetup.exe" "$build/real-tools/curl.exe" "$build/real-tools/tar.exe" \
    "$build/bench/bench_tool_floor.exe" "$bin/"
install_root="$work/install root"
floor_root="$work/floor root"
export VELMORA_TEST_ROOT=$(winpath "$install_root")
export VELMORA_BOOTSTRAP_URL="${urls[0]}"
export TEMP=$(winpath "$work/temp") TMP=$(winpath "$work/temp")
unset VELMORA_STANDIN_LOG VELMORA_STANDIN_RULES VELMORA_STANDIN_TIMES

# Seconds of the process's lifetime, as bench_process_time.exe reports it.
lifetime() {
    local output
    output=$("$build/wine-run" "$build/bench/bench_process_time.exe" "$@") ||
        { echo "failed: $* $output" >&2; cat "$install_root/VelmoraSetup-error.txt" >&2 || true
          exit 1; }
    echo "$output" | tr -d '\r' | awk '$1 == "process.lifetime" { print $2 }'
}
setup_once() {
    rm -rf "$install_root" "$work/temp"/*
    mkdir -p "$install_root"
    lifetime "$(winpath "$bin/VelmoraSetup.exe")" --install-headless
    [ -f "$install_root/Programs/Velmora/VelmoraGame.dll" ] ||
        { echo "the install left no launcher" >&2; exit 1; }
}
floor_once() {
    rm -rf "$floor_root" "$work/temp"/*
    lifetime "$(winpath "$bin/bench_tool_floor.exe")" "$(winpath "$work/temp/floor")" \
        "$(winpath "$floor_root")" "${urls[@]}"
}

echo "== warm-up: one install and one floor run (not counted)"
setup_once >/dev/null
floor_once >/dev/null
echo "real_install.warmup_requests $(wc -l <"$work/access.log") count"
echo "   the first request served: $(head -n 1 "$work/access.log")"

echo "== $pairs interleaved pairs"
results="$work/results.txt"
: >"$results"
for pair in $(seq "$pairs"); do
    echo "$(setup_once) $(floor_once)" >>"$results"
    echo "   pair $pair done"
done

python3 - "$results" <<'PY'
import statistics, sys

pairs = [[float(x) for x in line.split()] for line in open(sys.argv[1]) if line.strip()]
for number, (setup, floor) in enumerate(pairs, 1):
    print(f"real_install.setup_pair{number} {setup:.3f} s")
    print(f"real_install.floor_pair{number} {floor:.3f} s")
    print(f"real_install.ratio_pair{number} {setup / floor:.3f} ratio")
ratios = [setup / floor for setup, floor in pairs]
print(f"real_install.pairs {len(pairs)} count")
print(f"real_install.setup_median {statistics.median(p[0] for p in pairs):.3f} s")
print(f"real_install.floor_median {statistics.median(p[1] for p in pairs):.3f} s")
print(f"real_install.ratio_median {statistics.median(ratios):.3f} ratio")
print(f"real_install.ratio_min {min(ratios):.3f} ratio")
print(f"real_install.ratio_max {max(ratios):.3f} ratio")
PY
