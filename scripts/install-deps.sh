#!/usr/bin/env bash
# Installs the Debian packages the build, the application and the tests need, when missing.
# Usage: scripts/install-deps.sh [build|test|windows|wine|debian|third-party PACKAGE...]   (test
# adds what only the test suite uses: GoogleTest, Google Benchmark, JACK with its dummy back
# end, PulseAudio with ALSA's plug-ins, screenshots, jq, an XSETTINGS daemon for a display
# scaled to 200 %, the Debian package's tools, clang-format and shellcheck, clang with
# libFuzzer; third-party adds JACK and the named plug-in packages)
set -euo pipefail

want=(
    cmake ninja-build g++ pkg-config ccache
    juce-modules-source fst-dev
    libasound2-dev libjack-jackd2-dev libfreetype-dev libx11-dev libxext-dev libxinerama-dev
    libxrandr-dev libxcursor-dev libgl-dev zlib1g-dev libpng-dev libjpeg-dev
    xvfb openbox xdotool wmctrl x11-utils procps
)
if [ "${1:-build}" = test ]; then
    want+=(libgtest-dev libbenchmark-dev jackd2 imagemagick jq xsettingsd)
    # A desktop's sound path: ALSA's "default" through a PulseAudio server (a private one).
    want+=(pulseaudio pulseaudio-utils libasound2-plugins)
    want+=(dpkg-dev binutils librsvg2-bin file lintian desktop-file-utils appstream)
    want+=(clang-format shellcheck)
    # The fuzz targets: clang's libFuzzer and sanitizer runtimes.
    want+=(clang-14 libclang-rt-14-dev)
fi
# windows: the cross build for Windows (scripts/build-windows.sh; dpkg-dev fetches the
# image libraries' sources) and its zip and installer (NSIS, the icon made with ImageMagick).
# wine: running it under Wine on a private display.
case "${1:-build}" in
    windows)
        want=(cmake ninja-build ccache juce-modules-source fst-dev dpkg-dev zip
              g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nsis imagemagick) ;;
    debian)
        # scripts/packaging/debian.sh: the package's tools and the icon's renderer.
        want=(dpkg-dev binutils librsvg2-bin) ;;
    wine)
        want=(wine wine64 fonts-wine xvfb openbox xdotool wmctrl x11-utils imagemagick procps unzip
              pulseaudio pulseaudio-utils) ;;
    third-party)
        # scripts/test-third-party.sh: the packages whose modules it hosts follow the mode.
        want+=(jackd2 imagemagick binutils gdb "${@:2}") ;;
esac

missing=()
for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run this script as root (or install them with apt-get)." >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to raise real-time limits; the tests run it without real-time.
echo "jackd2 jackd/tweak_rt_limits boolean false" | debconf-set-selections
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
