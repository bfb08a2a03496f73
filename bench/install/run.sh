#!/usr/bin/env bash
# How much of a headless install is the setup program's own work.
#   bench/install/run.sh BUILD_DIR [RUNS]
#
# Makes demo archives of realistic size (runtime 70 MB in 400 files, desktop
# runtime 30 MB, launcher 50 MB), publishes their manifest, and after one
# warm-up install runs `VelmoraSetup.exe --install-headless` RUNS times (3 by
# default) into a fresh install root, one run after another. Per run it
# reports
#   total    the setup process's lifetime as Windows records it,
#   tools    the sum of the stand-in tools' work spans (VELMORA_STANDIN_TIMES),
#   hashing  verify_download on the same three archives, timed in a process
#            of its own right after the install,
#   overhead total - tools - hashing, in seconds and as a share of total,
# and the median of each column. Goal: overhead under 10 % of total. The
# share of the overhead that is Wine starting and ending the tool processes
# (outside their recorded spans) is measured apart and printed below the table.
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
host="https://cdn.velmora.example"
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
        tr -d '\r' | awk '$1 == "hash" && $2 == "total" { print $3 }'
}

# One install into a fresh root; prints "outer process tools hashing" in seconds.
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
    process=$(echo "$output" | tr -d '\r' | awk '$1 == "process" { print $2 }')
    # From the process's creation to its first tool, and from its last tool to its exit.
    echo "$output" | tr -d '\r' | awk '$1 == "process" { print $6, $8 }' >"$work/process-span.txt"
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
        lifetime=$("$build/wine-run" "$build/bench/bench_process_time.exe" "$(winpath "$bin/curl.exe")" \
            --fail --location --retry 3 --connect-timeout 20 --output "$(winpath "$probe")" \
            "$VELMORA_BOOTSTRAP_URL" | tr -d '\r' | awk '$1 == "process" { print $2 }')
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
table = []
for outer, total, tools, hashing, before, after in rows:
    overhead = total - tools - hashing
    table.append([total, tools, hashing, overhead, 100 * overhead / total, before, after,
                  outer - total])
median = [statistics.median(column) for column in zip(*table)]

head = ("run", "total s", "tools s", "hashing s", "overhead s", "overhead %",
        "to 1st tool", "after last", "Wine start s")
print()
print("{:<8}{:>10}{:>10}{:>11}{:>12}{:>12}{:>13}{:>12}{:>14}".format(*head))
line = "{:<8}{:>10.3f}{:>10.3f}{:>11.3f}{:>12.3f}{:>11.1f}%{:>13.3f}{:>12.3f}{:>14.3f}"
for number, row in enumerate(table, 1):
    print(line.format(str(number), *row))
print(line.format("median", *median))
print()
print("total: the setup process from creation to exit; Wine start: the loader's time")
print("around it, not counted in total. Part of the overhead: to 1st tool (process start,")
print("work directory) and after last (setup copy, state file, clean-up and exit).")
print("Medians are taken column by column.")
verdict = "met" if median[4] < 10 else "NOT met"
print(f"goal overhead < 10 % of total: {verdict} (median {median[4]:.1f} %)")
starts = tool_start * tool_count
own = median[3] - starts
print(f"of the median overhead, Wine's creation and exit of the {tool_count} tool processes")
print(f"take about {starts:.3f} s ({tool_start * 1000:.0f} ms each, measured apart); the rest,")
print(f"{own:.3f} s = {100 * own / median[0]:.1f} % of total, is the program's own work and waits.")
PY
