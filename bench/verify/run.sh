#!/bin/sh
# Measures verify_download under Wine against the in-memory CNG digest and
# against the Linux sha512sum/sha256sum on the same file.
#   bench/verify/run.sh BUILD_DIR [MiB]
# Results are bench_verify.exe's lines "verify.NAME VALUE UNIT".
set -eu
build=$(cd "${1:?usage: run.sh BUILD_DIR [MiB]}" && pwd)
mib=${2:-1024}
exe="$build/bench/bench_verify.exe"
[ -f "$exe" ] || { echo "build the bench_verify target first" >&2; exit 1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
file="$dir/velmora-bench.bin"
head -c "$((mib * 1024 * 1024))" /dev/urandom >"$file"

# Best seconds of three runs and the digest of one tool over the cached file.
measure() {
    "$1" "$file" >/dev/null
    best=""
    for round in 1 2 3; do
        start=$(date +%s.%N)
        digest=$("$1" "$file" | cut -d' ' -f1)
        seconds=$(echo "$(date +%s.%N) - $start" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$seconds < $best" | bc -l)" = 1 ]; then
            best=$seconds
        fi
    done
    echo "$best $digest"
}

set -- "$build" $(measure sha512sum) $(measure sha256sum)
"$build/wine-run" "$exe" --file "$(WINEPREFIX="${VELMORA_WINEPREFIX:-$build/wineprefix}" winepath -w "$file" 2>/dev/null)" \
    --sha512sum "$2" "$3" --sha256sum "$4" "$5"
