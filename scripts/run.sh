#!/usr/bin/env bash
# Installs what is missing, builds the application and the reference plug-in beside it
# (build/dist/), and runs it. Without a display of your own, it runs on a private one;
# the script then says how to take a screenshot of it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/display.sh

bash scripts/install-deps.sh build

build_dir=${TOLVANE_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target TolvaneEditor TolvaneReference_VST

if [ -z "${DISPLAY:-}" ]; then
    tolvane_start_display
    trap tolvane_stop_display EXIT
    echo "No display was set: running on the private display $DISPLAY."
    echo "Screenshot: DISPLAY=$DISPLAY import -window root shot.png   (package imagemagick)"
    echo "Quit: Ctrl+C here (the application ends cleanly and keeps its settings)."
fi

"$build_dir/dist/Tolvane Editor"
