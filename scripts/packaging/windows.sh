#!/usr/bin/env bash
# Packs the Windows build: the portable zip and the installer (NSIS), for the reference
# plug-in or a maker's own module under the maker's product name.
#
# Usage: windows.sh [--dist DIR] [--module FILE.dll] [--name NAME] [--version X.Y.Z] [--out DIR]
#                   [--zip-only]
#   --dist     the Windows build's dist folder (default $TOLVANE_WINDOWS_BUILD_DIR/dist, that is
#              build-windows/dist); it is not built here
#   --module   the plug-in module (64-bit VST 2.x DLL; default the reference plug-in in --dist)
#   --name     the product name (default the project's): "NAME.exe" and "NAME.dll" in a folder
#              NAME, the installer's folder, shortcut and Apps entry
#   --version  the version of the packages (default the project's)
#   --out      where they go (default packages/)
# Writes <Name>-<version>-windows-x64.zip and <Name>-<version>-windows-x64-setup.exe, <Name>
# being the product name without spaces and other characters file names do without, and
# prints their paths, one a line, last.
set -euo pipefail
dist="" module="" name="" version="" out="" zip_only=0
while [ $# -gt 0 ]; do
    case "$1" in
        --dist) dist=$2; shift 2 ;;
        --module) module=$2; shift 2 ;;
        --name) name=$2; shift 2 ;;
        --version) version=$2; shift 2 ;;
        --out) out=$2; shift 2 ;;
        --zip-only) zip_only=1; shift ;;
        *) echo "windows.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
# Paths given are the caller's; the defaults are the repository's.
for path in dist module out; do
    [[ -z "${!path}" || "${!path}" = /* ]] || declare "$path=$PWD/${!path}"
done
cd "$(dirname "$0")/../.."
source scripts/lib/version.sh
dist=${dist:-${TOLVANE_WINDOWS_BUILD_DIR:-build-windows}/dist}
out=${out:-packages}
version=${version:-$(tolvane_version)}
app_name=$(tolvane_app_name)
name=${name:-$app_name}
module=${module:-$dist/$app_name.dll}

# The name becomes file names, a folder under Program Files and a registry key; "$" would be
# read by NSIS as a variable.
not_in_names='[\/:*?"<>|$[:cntrl:]]'
if [[ -z "$name" || "$name" =~ $not_in_names || "$name" =~ ^[.\ ] || "$name" =~ [.\ ]$ ]]; then
    echo "The product name \"$name\" cannot name a Windows file (none of \\ / : * ? \" < > | \$, no dot or space at either end)." >&2
    exit 2
fi
# Windows keeps a version as four numbers up to 65535.
if ! [[ "$version" =~ ^[0-9]{1,5}(\.[0-9]{1,5}){0,3}$ ]]; then
    echo "The version \"$version\" is not one to four numbers separated by dots (e.g. 1.2.0)." >&2
    exit 2
fi
vi_version=$version
while [[ "$vi_version" =~ ^[^.]*(\.[^.]*){0,2}$ ]]; do vi_version+=.0; done
for number in ${vi_version//./ }; do
    [ $((10#$number)) -le 65535 ] || { echo "The version \"$version\" has a number above 65535." >&2; exit 2; }
done

# pe_machine FILE: the machine field of a Windows program or DLL (8664 for x64), or nothing.
pe_machine() {
    local header
    [ "$(head -c 2 "$1" 2> /dev/null)" = MZ ] || return 0
    header=$(od -A n -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    [ "$(od -A n -c -j "$header" -N 4 "$1" | tr -d ' ')" = 'PE\0\0' ] || return 0
    od -A n -t x2 -j $((header + 4)) -N 2 "$1" | tr -d ' '
}
for f in "$dist/$app_name.exe" "$dist/tolvane-check.exe" "$module"; do
    [ -f "$f" ] || { echo "No file $f" >&2; exit 1; }
done
[ "$(pe_machine "$module")" = 8664 ] \
    || { echo "$module is not a 64-bit Windows DLL: the 64-bit program cannot load it." >&2; exit 1; }

stem=$(printf '%s' "$name" | tr -cd 'A-Za-z0-9._+-')
stem=${stem:-Product}
mkdir -p "$out"
out=$(cd "$out" && pwd)
zip_file="$out/$stem-$version-windows-x64.zip"
setup_file="$out/$stem-$version-windows-x64-setup.exe"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# licence_text: what the zip's Licence.txt and the installer's licence page say, in Windows
# line ends.
licence_text() {
    {
        cat <<TEXT
$name $version is built with JUCE 7 (GPL-3) and the VST 2.x interface of FST
(GPL-3 or later). As built, the program as a whole comes under the GNU General
Public License, version 3, printed below: you may pass it on and change it under
those terms. Its corresponding source is TolvaneEditor-$version-source.tar.gz, from
the same place as this package; the source also says which framework version it
builds against. The project's own sources in it are under the MIT licence.
TEXT
        if [ "$module" != "$dist/Tolvane Editor.dll" ]; then
            printf '\nThe plug-in module "%s.dll" comes under its maker'"'"'s own terms.\n' "$name"
        fi
        printf '\n\n'
        cat /usr/share/common-licenses/GPL-3
    } | sed 's/$/\r/'
}

# The zip: the folder NAME with the program, its module and notes in Windows line ends, so
# that every editor shows them as lines.
mkdir "$stage/$name"
cp "$dist/$app_name.exe" "$stage/$name/$name.exe"
cp "$module" "$stage/$name/$name.dll"
sed 's/$/\r/' > "$stage/$name/Install.txt" <<TEXT
$name $version for Windows (64-bit)

Installing
  Unzip the folder "$name" anywhere, for example into your Documents or
  Program Files, and start "$name.exe". Nothing else is installed.

The plug-in
  "$name.dll" is the editor plug-in that the application runs. It must stay in
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

Licence
  See Licence.txt: the program comes under the GNU General Public License,
  version 3; its source is TolvaneEditor-$version-source.tar.gz.
TEXT
licence_text > "$stage/$name/Licence.txt"
rm -f "$zip_file"
(cd "$stage" && zip -q -r -X "$zip_file" "$name")
made=("$zip_file")

if [ $zip_only = 0 ]; then
    command -v makensis > /dev/null && command -v convert > /dev/null \
        || bash scripts/install-deps.sh windows \
        || { echo "The installer needs makensis and convert (scripts/install-deps.sh windows)." >&2; exit 1; }
    mkdir "$stage/installer"
    cp "$dist/$app_name.exe" "$stage/installer/app.exe"
    cp "$module" "$stage/installer/plugin.dll"
    cp "$dist/tolvane-check.exe" "$stage/installer/tolvane-check.exe"
    licence_text > "$stage/installer/Licence.txt"
    convert resources/TolvaneEditor.png -define icon:auto-resize=256,48,32,16 "$stage/installer.ico"
    rm -f "$setup_file"
    makensis -V2 -INPUTCHARSET UTF8 \
        "-DNAME=$name" "-DVERSION=$version" "-DVI_VERSION=$vi_version" \
        "-DSTAGE=$stage/installer" "-DICON=$stage/installer.ico" "-DOUTFILE=$setup_file" \
        scripts/packaging/windows-installer.nsi >&2
    made+=("$setup_file")
fi
printf '%s\n' "${made[@]}"
