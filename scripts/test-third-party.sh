#!/usr/bin/env bash
# Hosts real third-party VST 2.x modules from Debian packages, one at a time, each linked
# beside a copy of the built application under its name, on a private display and a JACK
# dummy server of its own. A module passes when a window with a title appears within 15 s,
# the application still runs 3 s later, and a close through the window manager ends it
# within 10 s with exit code 0 and "mainWindowPos" in its settings. Prints a line a module
# and a closing count; exits non-zero when any module failed. Not part of .ci/run.
#
# Usage: scripts/test-third-party.sh [PATTERN...]   (only modules whose file name matches one
#        of the shell patterns, e.g. 'ZamComp*' 'compressor-*')
# Environment: TOLVANE_BUILD_DIR (default build), TOLVANE_THIRD_PARTY_PACKAGES (default
#        "dpf-plugins-vst zam-plugins lsp-plugins-vst"), TOLVANE_THIRD_PARTY_SCREEN (default
#        1280x1024), TOLVANE_THIRD_PARTY_LOGS (folder that keeps each failure's output,
#        screenshot and, for an application that hung, the backtrace of each of its threads
#        and the CPU use and backtraces of it, the X server and the window manager;
#        default a temporary one that is kept when something failed)
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
source scripts/lib/display.sh
source scripts/lib/jack.sh
source scripts/lib/version.sh

read -r -a packages <<< "${TOLVANE_THIRD_PARTY_PACKAGES:-dpf-plugins-vst zam-plugins lsp-plugins-vst}"
bash scripts/install-deps.sh third-party "${packages[@]}" || exit 1

build_dir=${TOLVANE_BUILD_DIR:-build}
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja || exit 1
cmake --build "$build_dir" --target TolvaneEditor || exit 1

work=$(mktemp -d) || exit 1
logs=${TOLVANE_THIRD_PARTY_LOGS:-$work/logs}
mkdir -p "$work/bin" "$logs"
app_name=$(tolvane_app_name)
app="$work/bin/$app_name"
cp "$build_dir/dist/$app_name" "$app"
app_pid=""

finish() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2> /dev/null
    tolvane_stop_jacks
    tolvane_stop_display
    rm -rf "${work:?}/bin" "$work/config" "$work/app.log"
    if [ -n "${TOLVANE_THIRD_PARTY_LOGS:-}" ] || [ "${failed:-0}" -gt 0 ]; then
        echo "Failures' output and screenshots: $logs"
    else
        rm -rf "$work"
    fi
}
trap finish EXIT

TOLVANE_XVFB_SCREEN="${TOLVANE_THIRD_PARTY_SCREEN:-1280x1024}x24" tolvane_start_display || exit 1
export JACK_DEFAULT_SERVER="tolvane-third-party-$$"
tolvane_start_jack "$JACK_DEFAULT_SERVER" 256 2 || exit 1

# The VST 2.x modules of the packages: shared objects under a vst folder that export an
# entry point (a package's shared helper libraries do not).
modules() {
    local package file
    for package in "${packages[@]}"; do
        dpkg -L "$package" | grep -E '/vst/.*\.so$' | sort | while read -r file; do
            [ -f "$file" ] || continue
            nm -D --defined-only "$file" 2> /dev/null | grep -qwE 'VSTPluginMain|main' && echo "$file"
        done
    done
}

selected() {
    local name pattern
    name=$(basename "$1")
    [ $# -eq 1 ] && return 0
    shift
    for pattern; do
        # shellcheck disable=SC2053
        [[ $name == $pattern ]] && return 0
    done
    return 1
}

# titled_window: the id and title of the application's own visible window (a plug-in's
# windows carry the process id too, and closing one of those is no close of the application).
titled_window() {
    local id title
    for id in $(xdotool search --all --onlyvisible --pid "$app_pid" --class "^$app_name\$" 2> /dev/null); do
        title=$(xdotool getwindowname "$id" 2> /dev/null)
        [ -n "$title" ] && { echo "$id $title"; return 0; }
    done
    return 1
}

# host MODULE: runs the application with MODULE beside it. On failure sets reason and
# leaves the application, if it still runs, to the caller.
host() {
    local module=$1 window="" deadline code closed_at
    export XDG_CONFIG_HOME="$work/config"
    rm -rf "$XDG_CONFIG_HOME"
    ln -sf "$module" "$app.so"

    "$app" < /dev/null > "$work/app.log" 2>&1 &
    app_pid=$!

    deadline=$((SECONDS + 15))
    until window=$(titled_window); do
        if ! kill -0 "$app_pid" 2> /dev/null; then
            wait "$app_pid"
            reason="ended with exit code $? before any window"
            return 1
        fi
        [ $SECONDS -lt $deadline ] || { reason="no window with a title within 15 s"; return 1; }
        sleep 0.2
    done
    title=${window#* }
    case $title in
        "Plugin could not be loaded"|"Plugin file not found") reason="'$title'"; return 1 ;;
    esac

    # Whether it keeps running is exactly what is asked, so this wait is the test.
    sleep 3
    if ! kill -0 "$app_pid" 2> /dev/null; then
        wait "$app_pid"
        reason="ended with exit code $? within 3 s of its window"
        return 1
    fi

    closed_at=$(date +%s%N)
    wmctrl -i -c "$(printf '0x%x' "${window%% *}")"
    deadline=$((SECONDS + 10))
    while kill -0 "$app_pid" 2> /dev/null; do
        [ $SECONDS -lt $deadline ] || { reason="still running 10 s after the close"; return 1; }
        sleep 0.1
    done
    wait "$app_pid"
    code=$?
    app_pid=""
    quit_ms=$(( ($(date +%s%N) - closed_at) / 1000000 ))
    [ "$code" -eq 0 ] || { reason="ended with exit code $code after the close"; return 1; }
    grep -q 'name="mainWindowPos"' "$XDG_CONFIG_HOME/$app_name/$app_name.settings" 2> /dev/null \
        || { reason="no mainWindowPos stored"; return 1; }
}

passed=0 failed=0 total=0
while read -r module <&3; do
    selected "$module" "$@" || continue
    total=$((total + 1))
    name="$(basename "$(dirname "$module")")/$(basename "$module")"
    title="" quit_ms="" reason=""
    if host "$module"; then
        passed=$((passed + 1))
        printf 'PASS  %-60s "%s", quit in %d ms\n' "$name" "$title" "$quit_ms"
    else
        failed=$((failed + 1))
        printf 'FAIL  %-60s %s\n' "$name" "$reason"
        safe=$(basename "$module" .so)
        import -window root "$logs/$safe.png" 2> /dev/null
        cp "$work/app.log" "$logs/$safe.log" 2> /dev/null
        if [ -n "$app_pid" ]; then
            # Where each thread of a hanging application is, for the failure's cause.
            command -v gdb > /dev/null && gdb -p "$app_pid" -batch -ex 'thread apply all bt 30' \
                > "$logs/$safe.backtrace" 2>&1
            # Whether it waits or is busy, with the X server and the window manager (a storm of
            # window changes keeps all three busy), and where those two are.
            {
                for sample in 1 2; do
                    [ "$sample" -eq 1 ] || sleep 1
                    for pid in "$app_pid" "$TOLVANE_XVFB_PID" "$TOLVANE_WM_PID"; do
                        echo "$(date +%T.%N | cut -c1-12) $pid CPU ticks: $(sed 's/.*) //' "/proc/$pid/stat" \
                            | cut -d' ' -f12,13)"
                    done
                done
                for pid in "$TOLVANE_XVFB_PID" "$TOLVANE_WM_PID"; do
                    command -v gdb > /dev/null && gdb -p "$pid" -batch -ex 'bt 20' 2>&1 | grep '^#'
                done
            } > "$logs/$safe.display" 2>&1
            kill -9 "$app_pid" 2> /dev/null
            wait "$app_pid" 2> /dev/null
            app_pid=""
        fi
    fi
done 3< <(modules)

echo "$passed of $total modules passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$total" -gt 0 ]
