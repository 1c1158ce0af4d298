#!/usr/bin/env bash
# Writes the release packages into packages/:
#   TolvaneEditor-<version>-windows-x64-setup.exe   the Windows installer
#   TolvaneEditor-<version>-windows-x64.zip         the portable Windows zip
#   tolvane-editor_<version>_amd64.deb              the Debian package
#   TolvaneEditor-<version>-source.tar.gz           their corresponding source (always)
#
# Usage: package.sh [--module FILE.dll|FILE.so] [--name "Product Name"] [--version X.Y.Z] [--out DIR]
# Without --module all three, with the reference plug-in. An instrument maker's .dll makes the
# installer and zip of the product NAME ("NAME.exe" beside "NAME.dll", its folder, shortcut
# and Apps entry); a .so makes its Debian package. The version is the project's unless given.
#
# Packs the builds that are there and builds only what is missing, with the existing scripts:
# the Windows tree $TOLVANE_WINDOWS_BUILD_DIR (default build-windows, scripts/build-windows.sh)
# and the application's target in $TOLVANE_BUILD_DIR (default build). Rebuild those first to
# pack changed sources.
set -euo pipefail

module="" name="" version="" out=""
usage="usage: package.sh [--module FILE.dll|FILE.so] [--name NAME] [--version X.Y.Z] [--out DIR]"
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
    case "$1" in
        --module) module=$2 ;;
        --name) name=$2 ;;
        --version) version=$2 ;;
        --out) out=$2 ;;
        *) echo "$usage" >&2; exit 2 ;;
    esac
    shift 2
done
# The module and the output folder as the caller named them, from the caller's folder.
[ -z "$module" ] || [ -f "$module" ] || { echo "No module $module" >&2; exit 1; }
[ -z "$module" ] || module=$(cd "$(dirname "$module")" && pwd)/$(basename "$module")
[ -z "$out" ] || out=$(mkdir -p "$out" && cd "$out" && pwd)

cd "$(dirname "$0")/.."
source scripts/lib/version.sh
version=${version:-$(tolvane_version)}
app_name=$(tolvane_app_name)
name=${name:-$app_name}
out=${out:-packages}

windows=1 linux=1
case "$module" in
    "") ;;
    *.dll|*.DLL) linux=0 ;;
    *.so) windows=0 ;;
    *) echo "The module must be a Windows .dll or a Linux .so: $module" >&2; exit 2 ;;
esac

mkdir -p "$out"
made=()

if [ $windows = 1 ]; then
    win_dist=${TOLVANE_WINDOWS_BUILD_DIR:-build-windows}/dist
    need=("$app_name.exe" tolvane-check.exe)
    [ -n "$module" ] || need+=("$app_name.dll")
    for f in "${need[@]}"; do
        if [ ! -f "$win_dist/$f" ]; then
            echo "== Building for Windows ($win_dist/$f is missing)"
            bash scripts/build-windows.sh
            break
        fi
    done
    echo "== Windows installer and zip from $win_dist"
    windows_made=$(bash scripts/packaging/windows.sh --dist "$win_dist" \
        ${module:+--module "$module"} --name "$name" --version "$version" --out "$out")
    mapfile -t -O ${#made[@]} made <<< "$windows_made"
fi

if [ $linux = 1 ]; then
    build_dir=${TOLVANE_BUILD_DIR:-build}
    dist="$build_dir/dist"
    targets=(TolvaneEditor tolvane-check)
    [ -n "$module" ] || targets+=(TolvaneReference_VST)
    if [ ! -f "$dist/$app_name" ] || [ ! -f "$dist/tolvane-check" ] \
       || { [ -z "$module" ] && [ ! -f "$dist/$app_name.so" ]; }; then
        echo "== Building for Linux in $build_dir"
        bash scripts/install-deps.sh build
        [ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir" -G Ninja -DTOLVANE_BUILD_TESTS=OFF
        cmake --build "$build_dir" --target "${targets[@]}"
    fi
    if [ -f scripts/packaging/debian.sh ]; then
        echo "== Debian package from $dist"
        deb=$(bash scripts/packaging/debian.sh --exe "$dist/$app_name" \
            --module "${module:-$dist/$app_name.so}" --check "$dist/tolvane-check" \
            --name "$name" --version "$version" --out "$out" | tail -n 1)
        made+=("$deb")
    else
        echo "!! No Debian package: scripts/packaging/debian.sh is not there yet." >&2
    fi
fi

[ ${#made[@]} -gt 0 ] || { echo "No package was made." >&2; exit 1; }
# The binaries are GPL-3 as a whole (Debian's JUCE): their source goes with them.
echo "== Source"
made+=("$(bash scripts/packaging/source.sh --version "$version" --out "$out" | tail -n 1)")
echo "== Packages"
ls -l "${made[@]}"
