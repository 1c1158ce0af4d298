# Helpers shared by the end-to-end scripts. The sourcing script sets case_name, keeps its
# files in $work and screenshots in $artefacts, and the program's process id in app_pid. It
# may replace fail, and define describe_failure to add to what a failure prints.
# shellcheck disable=SC2154  # those variables are the sourcing script's

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/pulse.sh"

# cleanup: ends a program still running and removes the work folder.
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null
    tolvane_stop_pulse
    rm -rf "$work"
}

# fail MESSAGE: reports the failure with a screenshot and the program's output, and exits.
fail() {
    echo "FAIL [$case_name]: $*" >&2
    import -window root "$artefacts/$case_name-failure.png" 2>/dev/null
    declare -F describe_failure > /dev/null && describe_failure
    [ -f "$work/app.log" ] && sed 's/^/    app: /' "$work/app.log" >&2
    exit 1
}

# wait_exit [SECONDS]: waits for the program to end (default 20 s) and checks that it ended
# cleanly, with exit code 0. (The scripts that source this file pass SECONDS.)
# shellcheck disable=SC2120
wait_exit() {
    local limit=${1:-20}
    local deadline=$((SECONDS + limit))
    while kill -0 "$app_pid" 2> /dev/null; do
        [ $SECONDS -lt $deadline ] || fail "the program did not end within $limit s"
        sleep 0.1
    done
    wait "$app_pid"
    local code=$?
    app_pid=""
    [ "$code" -eq 0 ] || fail "the program ended with exit code $code"
}

# wait_line FILE LINE [SECONDS]: waits (default 10 s) until FILE holds exactly LINE as a line.
wait_line() {
    local deadline=$((SECONDS + ${3:-10}))
    while [ $SECONDS -lt $deadline ]; do
        grep -qxF -- "$2" "$1" 2> /dev/null && return 0
        sleep 0.1
    done
    return 1
}

# wait_until SECONDS COMMAND...: polls COMMAND until it succeeds; fails after SECONDS.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# windows_titled TITLE: the ids of the program's visible windows with exactly this title.
windows_titled() {
    xdotool search --all --onlyvisible --pid "$app_pid" --name "^${1}\$" 2>/dev/null
}

# wait_window TITLE [SECONDS]: prints the id of the visible window of the application with
# exactly this title, waiting for it to appear.
wait_window() {
    local title=$1 limit=${2:-20} id
    local deadline=$((SECONDS + limit))
    while [ $SECONDS -lt $deadline ]; do
        id=$(windows_titled "$title" | head -n 1)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        kill -0 "$app_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# wait_gone TITLE [SECONDS]: waits (default 10 s) until the program shows no window titled TITLE.
wait_gone() {
    local deadline=$((SECONDS + ${2:-10}))
    while [ -n "$(windows_titled "$1")" ]; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# stored_position: the window state in the sourcing script's $settings_file, if any.
stored_position() {
    sed -n 's/.*name="mainWindowPos" val="\([^"]*\)".*/\1/p' "$settings_file" 2>/dev/null
}

# close_window ID: asks the window manager to close the window, as its close button does.
close_window() {
    wmctrl -i -c "$(printf '0x%x' "$1")"
}

# geometry ID: "x y width height" of the window's content area on screen.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                             /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# wait_content ID WIDTH HEIGHT: waits (10 s) until the window's content area has this size,
# one pixel less or up to two more each way: the framework keeps a window's frame in whole
# logical pixels, and Wine's frame of 3 pixels is not one at 125 % (2.4) or 200 % (1.5).
wait_content() {
    local deadline=$((SECONDS + 10)) w h
    while [ $SECONDS -lt $deadline ]; do
        read -r _ _ w h <<< "$(geometry "$1")"
        (( ${w:-0} >= $2 - 1 && ${w:-0} <= $2 + 2 && ${h:-0} >= $3 - 1 && ${h:-0} <= $3 + 2 )) && return 0
        sleep 0.1
    done
    fail "the window's content is $w x $h, not $2 x $3"
}

# pixel ID X Y: the colour of the window's pixel at X,Y as rrggbb.
pixel() {
    import -window "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null \
        | sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr 'A-F' 'a-f' | head -n 1
}

# press ID KEY: activates the window and types KEY with the pointer off the window, since X
# hands key presses to the window under the pointer (the plug-in's editor) when it lies
# inside the focused one.
press() {
    xdotool mousemove 0 0
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
    xdotool key --clearmodifiers "$2"
}

# need_jack: the audio cases need the JACK server that JACK_DEFAULT_SERVER names; without
# one they are skipped (exit 77), unless TOLVANE_REQUIRE_JACK=1.
need_jack() {
    local server=${JACK_DEFAULT_SERVER:-default}
    if ! jack_wait -c -s "$server" 2>/dev/null | grep -q running; then
        [ "${TOLVANE_REQUIRE_JACK:-}" = 1 ] && fail "no JACK server '$server' is running"
        echo "SKIP [$case_name]: no JACK server '$server'"
        exit 77
    fi
}

# peak SECONDS: the loudest sample on the application's first two outputs meanwhile.
peak() {
    "${TOLVANE_JACK_PEAK:?}" "Tolvane Editor:out_" 2 "$1" | sed -n 's/^peak //p'
}

# alsa_without_plugins: the program started next sees ALSA without its "jack" and "pulse"
# devices, as a machine without libasound2-plugins does (scripts/lib/pulse.sh says why).
alsa_without_plugins() {
    tolvane_alsa_without_plugins "$work"
}

# image_difference A B: how far two pictures differ in their coarse layout, as the RMSE
# (0 to 1) of both reduced to 24 x 16 pixels, whatever their sizes.
image_difference() {
    local small_a=$work/difference-a.png small_b=$work/difference-b.png
    convert "$1" -resize '24x16!' "$small_a" && convert "$2" -resize '24x16!' "$small_b" || { echo 1; return; }
    compare -metric RMSE "$small_a" "$small_b" null: 2>&1 | sed -n 's/.*(\([0-9.e-]*\)).*/\1/p'
}

# window_picture ID FILE: saves what the window shows, its content area only.
window_picture() {
    import -window "$1" "$2" 2>/dev/null
}

# The probe module beside the application (tests/modules/MiniHostProbe.cpp), with its log and
# command files in TOLVANE_PROBE_LOG and TOLVANE_PROBE_COMMANDS.

# tell COMMAND: hands the probe a command, which it runs at its next idle call.
tell() {
    echo "$1" >> "$TOLVANE_PROBE_COMMANDS"
}

# wait_log LINE [SECONDS]: waits until the probe has logged exactly LINE.
wait_log() {
    wait_line "$TOLVANE_PROBE_LOG" "$@"
}

# start_probe: starts the application (the sourcing script's start_app) and waits for its
# window ($probe_title, whose id it keeps in main_id) and for the probe to process.
start_probe() {
    : > "$TOLVANE_PROBE_LOG"
    : > "$TOLVANE_PROBE_COMMANDS"
    start_app
    main_id=$(wait_window "$probe_title") || fail "no window titled '$probe_title' appeared"
    wait_log "processing" || fail "the probe was never asked to process audio"
}

quit_app() {
    press "$main_id" ctrl+q
    wait_exit
}

# open_dialog COMMAND: has the probe ask for the settings dialog; prints the dialog's id.
open_dialog() {
    tell "$1"
    wait_window "$dialog_title" 10 || fail "'$1' opened no dialog"
}

# close_dialog ID: Escape on the dialog; waits until it has gone.
close_dialog() {
    press "$1" Escape
    wait_gone "$dialog_title" || fail "Escape did not close the dialog"
}

# probe_app_in_work: a fresh work folder with its own settings folder and artefacts, and the
# application in it with the probe module beside it ($app); the probe's log and command files
# are named in its environment. Sets work, settings_file, artefacts, app, app_pid and the
# probe's and the dialog's window titles for the script that calls it.
# shellcheck disable=SC2034
probe_app_in_work() {
    probe_title="Mini-Host Probe"
    dialog_title="Audio / MIDI Settings"
    work=$(mktemp -d)
    export XDG_CONFIG_HOME="$work/config"
    settings_file="$XDG_CONFIG_HOME/Tolvane Editor/Tolvane Editor.settings"
    artefacts=${TOLVANE_E2E_ARTEFACTS:-$work/artefacts}
    mkdir -p "$artefacts" "$work/bin"
    app_pid=""
    app="$work/bin/Tolvane Editor"
    cp "$TOLVANE_APP" "$app"
    cp "$TOLVANE_PROBE_MODULE" "$app.so"
    export TOLVANE_PROBE_LOG="$work/probe.log" TOLVANE_PROBE_COMMANDS="$work/probe.commands"
}
