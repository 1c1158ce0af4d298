#!/usr/bin/env bash
# Cross-builds the Windows application on Debian with mingw-w64 and packs it:
#   build-windows/dist/Tolvane Editor.exe   the application
#   build-windows/dist/Tolvane Editor.dll   the reference plug-in, under the application's base name
#   build-windows/dist/tolvane-check.exe    the conformance checker for plug-in makers (not packed)
#   build-windows/dist/TolvaneEditor-<version>-windows-x64.zip   the first two, with install notes
#                                                                (scripts/packaging/windows.sh)
#
# Installs what is missing first (as root; as another user it lists what is missing). The
# static libpng and libjpeg are built once from Debian's sources and cached
# (scripts/build-windows-deps.sh).
#
# Environment: TOLVANE_WINDOWS_BUILD_DIR (default build-windows), TOLVANE_WERROR=ON to treat
# warnings as errors (scripts/test.sh sets it unless TOLVANE_NO_WERROR=1), TOLVANE_BUILD_DIR
# (default build: the Linux build whose fake MIDI sequencer the Wine tests preload).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/version.sh

bash scripts/install-deps.sh windows

build_dir=${TOLVANE_WINDOWS_BUILD_DIR:-build-windows}
dist="$build_dir/dist"
app_name=$(tolvane_app_name)

werror=${TOLVANE_WERROR:-OFF}

echo "== Static image libraries for mingw-w64"
deps=$(bash scripts/build-windows-deps.sh | tail -n 1)

echo "== Windows build"
cmake -S . -B "$build_dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release \
      -DTOLVANE_WINDOWS_DEPS="$deps" \
      -DTOLVANE_BUILD_TESTS=OFF \
      -DTOLVANE_REFERENCE_STANDALONE=OFF \
      -DTOLVANE_WARNINGS_AS_ERRORS=$werror \
      -DTOLVANE_LINUX_BUILD_DIR="$(realpath -m "${TOLVANE_BUILD_DIR:-build}")"
nice cmake --build "$build_dir"

for f in "$app_name.exe" "$app_name.dll" tolvane-check.exe; do
    [ -f "$dist/$f" ] || { echo "The build did not produce $dist/$f" >&2; exit 1; }
done

echo "== Package"
zip_file=$(bash scripts/packaging/windows.sh --zip-only --dist "$dist" --out "$dist" | tail -n 1)

echo "Built:"
ls -l "$dist/$app_name.exe" "$dist/$app_name.dll" "$dist/tolvane-check.exe" "$zip_file"
