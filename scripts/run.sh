#!/usr/bin/env bash
# Installs what is missing, builds the application and the reference plug-in beside it
# (build/dist/), and runs it. Without a display of your own, it runs on a private one;
# the script then says how to take a screenshot of it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/display.sh
source scripts/lib/version.sh

bash scripts/install-deps.sh build

build_dir=${TOLVANE_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja
cmake --build "$build_dir" --target TolvaneEditor TolvaneReference_VST

if [ -z "${DISPLAY:-}" ]; then
    tolvane_start_display
    trap tolvane_stop_display EXIT
    echo "No display was set: running on the private display $DISPLAY."
    echo "Screenshot: DISPLAY=$DISPLAY import -window root shot.png   (package imagemagick)"
fi
echo "Quit: Ctrl+Q in the window, its close button, or Ctrl+C here (the application keeps its settings)."

"$build_dir/dist/$(tolvane_app_name)" &
app_pid=$!

# Ctrl+C here closes the application's windows the way their close button does, so that it
# shuts down in order and stores its settings.
close_app() {
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$app_pid" --name '' 2> /dev/null); do
        wmctrl -i -c "$(printf '0x%x' "$id")"
    done
}
trap close_app INT TERM

status=0
while kill -0 "$app_pid" 2> /dev/null; do
    wait "$app_pid" && status=0 || status=$?
done
exit $status
