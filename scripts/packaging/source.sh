#!/usr/bin/env bash
# Writes the corresponding source of the binaries: TolvaneEditor-<version>-source.tar.gz, the
# project's sources (the files git tracks, as they are in the work tree, or the tree without
# build folders when there is no git), the framework fixes in patches/juce/ among them, and a
# file FRAMEWORK that names the exact framework and interface packages they build against.
#
# Usage: source.sh [--version X.Y.Z] [--out DIR]   (default the project's version, packages/)
# Prints the archive's path last.
set -euo pipefail
version="" out=""
while [ $# -gt 0 ]; do
    case "$1" in
        --version) version=$2; shift 2 ;;
        --out) out=$2; shift 2 ;;
        *) echo "source.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
[[ -z "$out" || "$out" = /* ]] || out=$PWD/$out
cd "$(dirname "$0")/../.."
source scripts/lib/version.sh
version=${version:-$(tolvane_version)}
out=${out:-packages}
mkdir -p "$out"
out=$(cd "$out" && pwd)
stem="TolvaneEditor-$version-source"
archive="$out/$stem.tar.gz"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' file; do
        [ -e "$file" ] && printf '%s\0' "$file"
    done > "$stage/files"
else
    find . -path ./.git -prune -o -path './build*' -prune -o -path ./packages -prune -o -type f -print0 \
        | sed -z 's|^\./||' > "$stage/files"
fi

mkdir "$stage/$stem"
tar --create --null --files-from "$stage/files" | tar --extract --directory "$stage/$stem"

# package_version NAME: the installed Debian package's version, or "not installed".
package_version() {
    dpkg-query -W -f='${Version}' "$1" 2> /dev/null || echo "not installed"
}
juce_version=$(sed -n 's/^set(TOLVANE_JUCE_VERSION \([0-9.]*\)).*/\1/p' cmake/PatchedJuce.cmake)
cat > "$stage/$stem/FRAMEWORK" <<TEXT
Tolvane Editor $version builds against:

  JUCE $juce_version as Debian 12 ships it: package juce-modules-source $(package_version juce-modules-source)
    (modules in /usr/share/juce/modules), with the project's fixes in patches/juce/ applied
    at configure time (cmake/PatchedJuce.cmake; patches/juce/README.md lists them).
  The VST 2.x interface of FST: package fst-dev $(package_version fst-dev).

The project's own sources are under the MIT licence (LICENSE); the fixes in patches/juce/
are JUCE's code and, like the binaries built with Debian's JUCE as a whole, come under the
GNU General Public License, version 3.
TEXT

# Reproducible: names sorted, one owner, the time of the last commit.
mtime=$(git log -1 --format=%ct 2> /dev/null || date +%s)
tar --create --gzip --file "$archive" --directory "$stage" --sort=name \
    --owner=0 --group=0 --numeric-owner --mtime="@$mtime" "$stem"
echo "$archive"
