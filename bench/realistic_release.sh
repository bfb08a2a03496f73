# Sourced by the install and window benchmarks: archives of realistic size (runtime 70 MB
# in 400 files, desktop runtime 30 MB, launcher 50 MB) below $web/releases and
# their manifest in $web/client/bootstrap.json, with URLs on $host.
# Needs root, build, web, releases and host set.
make_realistic_release() {
    "$root/tools/lib/demo-archives" "$web" "$build/stand-ins/dotnet.exe" --runtime-files 400 \
        --runtime-bytes 70000000 --desktop-bytes 30000000 --launcher-bytes 50000000
    "$root/tools/publish-manifest" --allow-http --dotnet-version 8.0.11 \
        --dotnet-archive "$releases/dotnet-runtime.zip" \
        --dotnet-url "$host/releases/dotnet-runtime.zip" \
        --desktop-archive "$releases/windowsdesktop-runtime.zip" \
        --desktop-url "$host/releases/windowsdesktop-runtime.zip" \
        --launcher-version 1.4.0 \
        --launcher-archive "$releases/VelmoraLauncher-1.4.0.zip" \
        --launcher-url "$host/releases/VelmoraLauncher-1.4.0.zip" \
        --output "$web/client/bootstrap.json"
    local zip
    for zip in "$releases"/*.zip; do
        printf '   %-32s %6.1f MB, %4d files\n' "$(basename "$zip")" \
            "$(echo "$(stat -c %s "$zip") / 1000000" | bc -l)" \
            "$(python3 -c 'import sys,zipfile; print(len(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")"
    done
}
