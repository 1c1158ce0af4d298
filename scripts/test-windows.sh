#!/usr/bin/env bash
# Builds the Windows program (scripts/build-windows.sh) and runs its tests under Wine: it
# starts with the reference plug-in and shows its editor, audio blocks keep coming, Alt+F4
# ends it cleanly with its settings stored under the prefix's %APPDATA%, without its module
# it shows "Plugin file not found" and ends after OK, and a plug-in of the mini-host
# extension gets its call-backs through the Windows calling convention.
#
# Installs what is missing first (as root). Uses the display in DISPLAY, or starts its own.
# Environment: TOLVANE_WINDOWS_BUILD_DIR (default build-windows).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/display.sh
source scripts/lib/wine.sh

build_dir=${TOLVANE_WINDOWS_BUILD_DIR:-build-windows}

if ! bash scripts/install-deps.sh wine; then
    echo "!! The Wine packages could not be installed: the Wine tests will fail." >&2
fi

bash scripts/build-windows.sh

stop_all() {
    # The tests' Wine server, found through their prefix (its own environment stays here).
    (tolvane_wine_env "$(cd "$build_dir" && pwd)/wine"; tolvane_wine_stop)
    tolvane_stop_display
}
trap stop_all EXIT
[ -n "${DISPLAY:-}" ] || tolvane_start_display

echo "== Windows program under Wine"
code=0
ctest --test-dir "$build_dir" -L wine --output-on-failure --timeout 300 || code=$?

timing="$build_dir/e2e-artefacts/wine-startup-seconds.txt"
[ -f "$timing" ] && echo "Start-up under Wine (launch to visible editor): $(cat "$timing") s"
exit $code
