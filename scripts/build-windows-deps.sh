#!/usr/bin/env bash
# Builds the static libpng and libjpeg that the Windows build links, from Debian's own source
# packages, with the mingw-w64 toolchain. Debian ships zlib for mingw-w64 but neither of these.
# The result is cached by package version, so it is built once per machine (about a minute).
#
# Usage: scripts/build-windows-deps.sh      prints the prefix (include/, lib/) on its last line
# Environment: TOLVANE_WINDOWS_DEPS_CACHE (default ~/.cache/tolvane/mingw-w64)
#
# Fetching the sources needs a deb-src entry; as root the script adds one
# (/etc/apt/sources.list.d/tolvane-deb-src.sources) when apt has none.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain="$root/cmake/toolchains/mingw-w64-x86_64.cmake"
cache=${TOLVANE_WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tolvane/mingw-w64}

candidate() { apt-cache policy "$1" | awk '/Candidate:/ && $2 != "(none)" { print $2 }'; }
png_version=$(candidate libpng-dev)
jpeg_version=$(candidate libjpeg62-turbo-dev)
if { [ -z "$png_version" ] || [ -z "$jpeg_version" ]; } && [ "$(id -u)" -eq 0 ]; then
    apt-get -o DPkg::Lock::Timeout=600 update -qq
    png_version=$(candidate libpng-dev)
    jpeg_version=$(candidate libjpeg62-turbo-dev)
fi
if [ -z "$png_version" ] || [ -z "$jpeg_version" ]; then
    echo "apt knows no libpng-dev or libjpeg62-turbo-dev: run apt-get update" >&2
    exit 1
fi
prefix="$cache/png-${png_version//:/_}-jpeg-${jpeg_version//:/_}"

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

# has_deb_src: true when apt can fetch source packages.
has_deb_src() { apt-cache showsrc libpng1.6 2>/dev/null | grep '^Package:' > /dev/null; }

if ! has_deb_src; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "apt has no deb-src entry, so the libpng and libjpeg sources cannot be fetched." >&2
        echo "Run this script as root (it adds one), or add a deb-src line yourself." >&2
        exit 1
    fi
    list=/etc/apt/sources.list.d/tolvane-deb-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$list"
    else
        grep -hE '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null \
            | sed 's/^deb /deb-src /' > "${list%.sources}.list"
    fi
    apt-get -o DPkg::Lock::Timeout=600 update -qq
    has_deb_src || { echo "Still no source packages after adding a deb-src entry" >&2; exit 1; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"

# fetch_source PACKAGE: the newest version of the source package that the mirror serves (a
# security update's sources can lag behind its binaries).
fetch_source() {
    local version
    for version in $(apt-cache showsrc --only-source "$1" | awk '/^Version:/ { print $2 }' | sort -r -V -u); do
        if (cd "$work" && apt-get source -qq "$1=$version" >> "$work/source.log" 2>&1); then
            echo "$1 $version" >> "$work/versions"
            return 0
        fi
    done
    cat "$work/source.log" >&2
    echo "Could not fetch the source package $1" >&2
    return 1
}
fetch_source libpng1.6
fetch_source libjpeg-turbo
png_src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
jpeg_src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)

mingw_root=/usr/x86_64-w64-mingw32
common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=ON)

# No SIMD: it would need nasm, and decoding a few small images gains nothing from it.
nice cmake -S "$jpeg_src" -B "$work/jpeg-build" "${common[@]}" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF > "$work/jpeg.log"
nice cmake --build "$work/jpeg-build" --target install >> "$work/jpeg.log" || { cat "$work/jpeg.log" >&2; exit 1; }
# The framework's JPEG code asks for the library's internal declarations too, as Debian's
# libjpeg-dev ships them.
cp "$jpeg_src/jpegint.h" "$prefix/include/"

nice cmake -S "$png_src" -B "$work/png-build" "${common[@]}" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_INCLUDE_DIR="$mingw_root/include" -DZLIB_LIBRARY="$mingw_root/lib/libz.a" > "$work/png.log"
nice cmake --build "$work/png-build" --target install >> "$work/png.log" || { cat "$work/png.log" >&2; exit 1; }

cp "$work/versions" "$prefix/source-versions.txt"
touch "$prefix/.complete"
echo "$prefix"
