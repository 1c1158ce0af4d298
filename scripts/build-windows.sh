#!/usr/bin/env bash
# Cross-builds the Windows application on Debian with mingw-w64 and packs it:
#   build-windows/dist/Tolvane Editor.exe   the application
#   build-windows/dist/Tolvane Editor.dll   the reference plug-in, under the application's base name
#   build-windows/dist/tolvane-check.exe    the conformance checker for plug-in makers (not packed)
#   build-windows/dist/TolvaneEditor-<version>-windows-x64.zip   the first two, with install notes
#
# Installs what is missing first (as root; as another user it lists what is missing). The
# static libpng and libjpeg are built once from Debian's sources and cached
# (scripts/build-windows-deps.sh).
#
# Environment: TOLVANE_WINDOWS_BUILD_DIR (default build-windows), TOLVANE_NO_WERROR=1 to keep
# warnings from failing a CI build.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh windows

build_dir=${TOLVANE_WINDOWS_BUILD_DIR:-build-windows}
dist="$build_dir/dist"
app_name="Tolvane Editor"

werror=OFF
if [ "${CI:-}" = true ] && [ "${TOLVANE_NO_WERROR:-}" != 1 ]; then werror=ON; fi

echo "== Static image libraries for mingw-w64"
deps=$(bash scripts/build-windows-deps.sh | tail -n 1)

echo "== Windows build"
cmake -S . -B "$build_dir" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release \
      -DTOLVANE_WINDOWS_DEPS="$deps" \
      -DTOLVANE_BUILD_TESTS=OFF \
      -DTOLVANE_REFERENCE_STANDALONE=OFF \
      -DTOLVANE_WARNINGS_AS_ERRORS=$werror
nice cmake --build "$build_dir"

for f in "$app_name.exe" "$app_name.dll" tolvane-check.exe; do
    [ -f "$dist/$f" ] || { echo "The build did not produce $dist/$f" >&2; exit 1; }
done

echo "== Package"
version=$(sed -n 's/^project(TolvaneEditor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip_name="TolvaneEditor-$version-windows-x64.zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$app_name"
cp "$dist/$app_name.exe" "$dist/$app_name.dll" "$stage/$app_name/"
# Windows line ends, so that every editor shows the notes as lines.
sed 's/$/\r/' > "$stage/$app_name/Install.txt" <<TEXT
Tolvane Editor $version for Windows (64-bit)

Installing
  Unzip the folder "$app_name" anywhere, for example into your Documents or
  Program Files, and start "$app_name.exe". Nothing else is installed.

The plug-in
  "$app_name.dll" is the editor plug-in that the application runs. It must stay in
  the same folder as the application and keep the application's base name: an
  application renamed to "Other.exe" looks for "Other.dll". To run another editor
  plug-in, put its VST 2.x module (64-bit) in the folder under that name.
  If the plug-in is missing, the application says "Plugin file not found" with the
  path where it looked, and quits.

Settings
  The audio and MIDI devices and the window position are kept per user in
  %APPDATA%\\$app_name\\$app_name.settings. Delete that file to start afresh.

Removing
  Delete the folder (and, if you like, the settings folder above).
TEXT
rm -f "$dist/$zip_name"
(cd "$stage" && zip -q -r -X "$OLDPWD/$dist/$zip_name" "$app_name")

echo "Built:"
ls -l "$dist/$app_name.exe" "$dist/$app_name.dll" "$dist/tolvane-check.exe" "$dist/$zip_name"
