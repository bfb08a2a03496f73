#!/usr/bin/env bash
# How much of a headless install is the setup program's own work.
#   bench/install/run.sh BUILD_DIR [RUNS]
#
# Makes demo archives of realistic size (runtime 70 MB in 400 files, desktop
# runtime 30 MB, launcher 50 MB), publishes their manifest, and after one
# warm-up install runs `VelmoraSetup.exe --install-headless` RUNS times (3 by
# default) into a fresh install root, one run after another. Per run N it
# reports, as lines "install.NAME_runN VALUE UNIT",
#   total          the setup process's lifetime as Windows records it,
#   tools          the sum of the stand-in tools' work spans (VELMORA_STANDIN_TIMES),
#   hashing        verify_download on the same three archives, timed in a
#                  process of its own right after the install,
#   overhead       total - tools - hashing, in seconds, and overhead_share, in
#                  per cent of total,
#   to_first_tool  from the process's creation to its first tool's span,
#   after_last     from the last tool's span to the process's exit,
#   wine_start     the loader's time around the process, not counted in total,
# and the median of each (NAME_median). Goal: overhead under 10 % of total.
# Wine's start and end of one tool process (outside its recorded span) is
# measured apart: tool_start_median; tool_starts is that times tool_processes,
# and own_overhead (with own_overhead_share) the median overhead less tool_starts.
# BUILD_DIR is a MinGW build folder; the Wine prefix is its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-3}
winpath() { echo "Z:${1//\//\\}"; }

for target in bench_install_hash bench_process_time; do
    if [ ! -f "$build/bench/$target.exe" ]; then
        cmake --build "$build" --target "$target" -j2 >/dev/null ||
            { echo "cannot build $target in $build" >&2; exit 1; }
    fi
done
for file in VelmoraSetup.exe stand-ins/curl.exe stand-ins/tar.exe stand-ins/powershell.exe \
    stand-ins/dotnet.exe; do
    [ -f "$build/$file" ] || { echo "build $file first" >&2; exit 1; }
done

work="$build/bench-install"
rm -rf "$work"
web="$work/web"
bin="$work/bin"
mkdir -p "$web/client" "$bin" "$work/temp"
# The stand-in curl serves any host from the web root; publish-manifest
# takes only a host that players could reach.
host="https://cdn.velmora.net"
releases="$web/releases"

echo "== demo archives and their manifest"
source "$root/bench/realistic_release.sh"
make_realistic_release

cp "$build/VelmoraSetup.exe" "$build/stand-ins/curl.exe" "$build/stand-ins/tar.exe" \
    "$build/stand-ins/powershell.exe" "$bin/"
install_root="$work/install root"
times="$work/times.txt"
export VELMORA_TEST_ROOT=$(winpath "$install_root")
export VELMORA_BOOTSTRAP_URL="$host/client/bootstrap.json"
export VELMORA_STANDIN_WEB_ROOT=$(winpath "$web")
export VELMORA_STANDIN_TIMES=$(winpath "$times")
export TEMP=$(winpath "$work/temp") TMP=$(winpath "$work/temp")
unset VELMORA_STANDIN_LOG VELMORA_STANDIN_RULES

hash_seconds() {
    "$build/wine-run" "$build/bench/bench_install_hash.exe" \
        --manifest "$(winpath "$web/client/bootstrap.json")" \
        --runtime "$(winpath "$releases/dotnet-runtime.zip")" \
        --desktop "$(winpath "$releases/windowsdesktop-runtime.zip")" \
        --launcher "$(winpath "$releases/VelmoraLauncher-1.4.0.zip")" |
        tr -d '\r' | awk '$1 == "install.hash_total" { print $2 }'
}

# The lifetime, creation or exit that bench_process_time.exe printed.
process_figure() {
    echo "$1" | tr -d '\r' | awk -v name="process.$2" '$1 == name { print $2 }'
}

# One install into a fresh root; prints, in seconds, the outer wall time, the
# process's lifetime, the tools' spans, the hashing, and the times to the
# first tool and after the last.
install_once() {
    rm -rf "$install_root"
    mkdir -p "$install_root"
    : >"$times"
    local start end output status=0
    start=$(date +%s%N)
    output=$("$build/wine-run" "$build/bench/bench_process_time.exe" \
        "$(winpath "$bin/VelmoraSetup.exe")" --install-headless) || status=$?
    end=$(date +%s%N)
    if [ "$status" -ne 0 ]; then
        echo "the install failed ($status): $output" >&2
        cat "$install_root/VelmoraSetup-error.txt" >&2 2>/dev/null || true
        exit 1
    fi
    [ -f "$install_root/Programs/Velmora/VelmoraGame.dll" ] ||
        { echo "the install left no launcher" >&2; exit 1; }
    local process tools hashing
    process=$(process_figure "$output" lifetime)
    # From the process's creation to its first tool, and from its last tool to its exit.
    echo "$(process_figure "$output" created) $(process_figure "$output" exited)" \
        >"$work/process-span.txt"
    tools=$(awk 'NF == 3 { sum += $3 - $2; n++ } END { if (n) printf "%.6f", sum / 1e6 }' "$times")
    [ -n "$process" ] && [ -n "$tools" ] || { echo "no process or tool times" >&2; exit 1; }
    hashing=$(hash_seconds)
    [ -n "$hashing" ] || { echo "the hashing bench failed" >&2; exit 1; }
    local edges
    edges=$(awk 'NR == FNR { created = $1; exited = $2; next }
        FNR == 1 { first = $2 } { last = $3 }
        END { printf "%.6f %.6f", (first - created) / 1e6, (exited - last) / 1e6 }' \
        "$work/process-span.txt" "$times")
    echo "$(echo "($end - $start) / 1000000000" | bc -l) $process $tools $hashing $edges"
}

# What Wine adds to each tool the program starts, outside the tool's own span:
# process creation, loader and exit. Median of a few lifetimes of the stand-in
# curl.exe fetching the manifest, less its recorded span.
tool_start_seconds() {
    local probe="$work/probe.json" lifetime span
    for _ in 1 2 3 4 5; do
        : >"$times"
        lifetime=$(process_figure "$("$build/wine-run" "$build/bench/bench_process_time.exe" \
            --curl "$(winpath "$bin/curl.exe")" "$(winpath "$probe")" "$VELMORA_BOOTSTRAP_URL")" \
            lifetime)
        span=$(awk 'NF == 3 { printf "%.6f", ($3 - $2) / 1e6 }' "$times")
        echo "$lifetime - $span" | bc -l
    done | sort -g | sed -n 3p
}

echo "== Wine prefix and warm-up install (not counted)"
hash_seconds >/dev/null
install_once >/dev/null
tool_count=$(wc -l <"$times")
tool_start=$(tool_start_seconds)

echo "== $runs timed installs, one after another"
results="$work/results.txt"
: >"$results"
for run in $(seq "$runs"); do
    install_once >>"$results"
    cp "$times" "$work/times-run$run.txt" # kept for a look at the gaps between tools
    echo "   run $run done"
done

python3 - "$results" "$tool_start" "$tool_count" <<'PY'
import statistics, sys

rows = [[float(x) for x in line.split()] for line in open(sys.argv[1]) if line.strip()]
tool_start, tool_count = float(sys.argv[2]), int(sys.argv[3])
names = ("total", "tools", "hashing", "overhead", "overhead_share", "to_first_tool",
         "after_last", "wine_start")
table = []
for outer, total, tools, hashing, before, after in rows:
    overhead = total - tools - hashing
    table.append([total, tools, hashing, overhead, 100 * overhead / total, before, after,
                  outer - total])
median = [statistics.median(column) for column in zip(*table)]

print(f"install.runs {len(table)} count")
for label, row in [(f"run{n}", row) for n, row in enumerate(table, 1)] + [("median", median)]:
    for name, value in zip(names, row):
        print(f"install.{name}_{label} {value:.3f} {'%' if name == 'overhead_share' else 's'}")
print(f"install.tool_processes {tool_count} count")
print(f"install.tool_start_median {tool_start:.3f} s")
print(f"install.tool_starts {tool_start * tool_count:.3f} s")
own = median[3] - tool_start * tool_count
print(f"install.own_overhead {own:.3f} s")
print(f"install.own_overhead_share {100 * own / median[0]:.1f} %")
PY
