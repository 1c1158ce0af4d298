#!/usr/bin/env bash
# End-to-end checks of the real application under a display with a window manager.
# Usage: app_e2e.sh CASE    (environment: DISPLAY, TOLVANE_APP, TOLVANE_NO_ENTRY_MODULE,
#                             optional TOLVANE_E2E_ARTEFACTS for screenshots; for the audio
#                             cases JACK_DEFAULT_SERVER, TOLVANE_JACK_PEAK and, to fail
#                             rather than skip without a server, TOLVANE_REQUIRE_JACK=1;
#                             for the Debian package cases TOLVANE_CHECK, TOLVANE_PROBE_MODULE)
set -uo pipefail

case_name=${1:?usage: app_e2e.sh CASE}
source "$(dirname "$0")/common.sh"
: "${DISPLAY:?the end-to-end tests need a display with a window manager (scripts/test.sh starts one)}"
: "${TOLVANE_APP:?TOLVANE_APP must name the built application}"

editor_title="Tolvane Reference"
editor_width=640
editor_height=420

work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/config"
settings_file="$XDG_CONFIG_HOME/Tolvane Editor/Tolvane Editor.settings"
artefacts=${TOLVANE_E2E_ARTEFACTS:-$work/artefacts}
mkdir -p "$artefacts"
app_pid=""

trap cleanup EXIT

# start_app EXECUTABLE: starts it in the background with a log of its own.
start_app() {
    "$1" > "$work/app.log" 2>&1 &
    app_pid=$!
    started_at=$(date +%s.%N)
}

# visible_titles: the titles of every visible window of the application, one a line.
visible_titles() {
    local id
    for id in $(xdotool search --all --onlyvisible --pid "$app_pid" --name '' 2>/dev/null); do
        xdotool getwindowname "$id" 2>/dev/null
    done
}

# frame_extents ID: "left right top bottom" of the window manager's frame.
frame_extents() {
    xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ','
}

# run_until_quit KEY: starts the application, checks its window, quits it with KEY and
# prints the window's geometry as it was.
run_until_quit() {
    start_app "$TOLVANE_APP"
    local id
    id=$(wait_window "$editor_title") || fail "no window titled '$editor_title' appeared"
    local shown_at
    shown_at=$(date +%s.%N)
    sleep 0.5
    local geo
    geo=$(geometry "$id")
    set -- $geo
    [ "$3 $4" = "$editor_width $editor_height" ] || fail "window content is $3 x $4, not the editor's size"
    echo "$geo|$(frame_extents "$id")|$(awk -v a="$shown_at" -v b="$started_at" 'BEGIN { printf "%.2f", a - b }')" > "$work/last-run"
    press "$id" "$KEY"
    wait_exit
}

# check_titles_only TITLE: every visible window of the application is titled TITLE.
check_titles_only() {
    local titles
    titles=$(visible_titles | sort -u)
    [ "$titles" = "$1" ] || fail "visible windows were: $(echo "$titles" | tr '\n' ',')"
}

# expect_warning_then_quit EXECUTABLE TITLE: the application shows the warning box TITLE,
# never its main window, and ends once the box is acknowledged.
expect_warning_then_quit() {
    start_app "$1"
    local id
    id=$(wait_window "$2") || fail "no warning box titled '$2' appeared"
    sleep 0.5
    check_titles_only "$2"
    import -window root "$artefacts/$case_name.png" 2>/dev/null
    press "$id" Return
    wait_exit
}

# copy_app_alone: a copy of the application in a folder of its own; prints its path.
copy_app_alone() {
    mkdir -p "$work/bin"
    cp "$TOLVANE_APP" "$work/bin/Tolvane Editor"
    echo "$work/bin/Tolvane Editor"
}

# connected_to_jack: the application's JACK client feeds the device's playback ports.
connected_to_jack() {
    local deadline=$((SECONDS + 10))
    while [ $SECONDS -lt $deadline ]; do
        jack_lsp -c 2>/dev/null | grep -A1 '^Tolvane Editor:out_1$' | grep -q 'system:playback_1' && return 0
        sleep 0.1
    done
    return 1
}

# pulse_peak SECONDS: the loudest sample at the PulseAudio sink's monitor meanwhile.
pulse_peak() {
    tolvane_pulse_level "$1" | awk '/^peak/ { print ($2 > $3 ? $2 : $3) }'
}

# peak_with_key_held ID [SCREENSHOT] [SECONDS]: the loudest sample while a white key of the
# editor's keyboard (in the bottom strip of the editor) is held, heard through JACK or, with
# listen=pulse_peak, at the PulseAudio sink; listening again for up to SECONDS (default none)
# until it is loud. ALSA's pulse device starts a new stream after each underrun, so a loaded
# machine may leave a gap.
peak_with_key_held() {
    local x y loud deadline=$((SECONDS + ${3:-0}))
    read -r x y _ _ <<< "$(geometry "$1")"
    xdotool mousemove $((x + 200)) $((y + editor_height - 40)) mousedown 1
    sleep 0.2
    loud=$("${listen:-peak}" 0.5)
    while awk -v p="$loud" 'BEGIN { exit !(p <= 0.05) }' && [ $SECONDS -lt $deadline ]; do
        loud=$("${listen:-peak}" 0.5)
    done
    [ -n "${2:-}" ] && import -window root "$artefacts/$2" 2>/dev/null
    xdotool mouseup 1
    echo "$loud"
}

# settings_with_device_state TEXT: a settings file holding TEXT under "audioDeviceState".
settings_with_device_state() {
    mkdir -p "$(dirname "$settings_file")"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES>\n  <VALUE name="audioDeviceState" val="%s"/>\n</PROPERTIES>\n' "$1" > "$settings_file"
}

# build_deb MODULE NAME VERSION: the Debian package of the built application with MODULE,
# under the product name NAME; prints its path.
build_deb() {
    bash "$(dirname "$0")/../../scripts/packaging/debian.sh" --exe "$TOLVANE_APP" --module "$1" \
        --check "${TOLVANE_CHECK:?}" --name "$2" --version "$3" --out "$work/packages" \
        2> "$work/debian.log" | tail -n 1
}

# deb_files DEB: the mode and path of every file and symlink in the package, sorted.
deb_files() {
    dpkg-deb -c "$1" | grep -v '^d' | sed 's|^\([^ ]*\) [^ ]* *[0-9]* [^ ]* [^ ]* \./|\1 |' | LC_ALL=C sort
}

# check_deb DEB: the package passes Debian's checks (no lintian error, desktop entry and
# AppStream data valid, binaries stripped) and is extracted into $work/root.
check_deb() {
    lintian "$1" > "$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"
    grep -v 'root privileges' "$work/lintian.log" | sed 's/^/    lintian: /'
    rm -rf "$work/root" && dpkg-deb -x "$1" "$work/root" || fail "the package does not extract"
    desktop-file-validate "$work"/root/usr/share/applications/*.desktop || fail "invalid desktop entry"
    appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.xml > "$work/appstream.log" 2>&1 \
        || fail "invalid AppStream data: $(cat "$work/appstream.log")"
    local binary
    for binary in "$work"/root/usr/lib/*/*; do
        [[ "$(file -b "$binary")" == *", stripped" ]] || fail "not stripped: $binary"
    done
}

# start_from_elsewhere COMMAND...: starts the program from another folder, with a fresh home.
start_from_elsewhere() {
    mkdir -p "$work/elsewhere" "$work/home"
    (cd "$work/elsewhere" && exec env -u XDG_CONFIG_HOME HOME="$work/home" "$@") > "$work/app.log" 2>&1 &
    app_pid=$!
}

case "$case_name" in
starts_with_editor_and_quits_on_ctrl_q)
    KEY=ctrl+q run_until_quit
    IFS='|' read -r geo frame startup < "$work/last-run"
    read -r x y w h <<< "$geo"
    read -r left _ top _ <<< "$frame"
    [ "${top:-0}" -gt 0 ] || fail "the window has no title bar from the window manager (frame: $frame)"
    # With nothing stored, the frame's corner is placed at (100, 100).
    [ "$x $y" = "$((100 + left)) $((100 + top))" ] || fail "content at $x,$y with frame $frame, not framed at 100,100"
    stored=$(stored_position)
    [[ "$stored" == "$x $y $w $h"* ]] || fail "stored position '$stored' is not the window's '$x $y $w $h'"
    echo "start-up to visible window: ${startup}s"
    ;;

title_bar_offers_minimise_and_close_only_and_priority_is_raised)
    start_app "$TOLVANE_APP"
    id=$(wait_window "$editor_title") || fail "no window titled '$editor_title' appeared"
    sleep 0.5
    actions=$(xprop -id "$id" _NET_WM_ALLOWED_ACTIONS)
    [[ "$actions" == *_NET_WM_ACTION_MINIMIZE* ]] || fail "cannot be minimised: $actions"
    [[ "$actions" == *_NET_WM_ACTION_CLOSE* ]] || fail "cannot be closed: $actions"
    [[ "$actions" != *_NET_WM_ACTION_MAXIMIZE* ]] || fail "can be maximised: $actions"
    [[ "$actions" != *_NET_WM_ACTION_RESIZE* ]] || fail "can be resized: $actions"
    # What the window itself asks for (Motif hints: flags, functions, decorations), whatever
    # the window manager would make of a fixed-size window anyway.
    read -r _ functions decorations _ <<< "$(xprop -id "$id" _MOTIF_WM_HINTS | sed -n 's/.*= *//p' | tr -d ',')"
    [ -n "$decorations" ] || fail "the window sets no Motif hints"
    (( (functions & 0x10) == 0 && (functions & 0x08) != 0 && (functions & 0x20) != 0 )) \
        || fail "window functions $functions are not minimise and close without maximise"
    (( (functions & 0x02) == 0 )) || fail "window functions $functions allow resizing"
    (( (decorations & 0x40) == 0 && (decorations & 0x20) != 0 )) \
        || fail "window decorations $decorations are not a minimise button without maximise"
    import -window root "$artefacts/main-window.png" 2>/dev/null
    # The window raised the priority of every thread of the process (as far as rights allow).
    if [ "$(id -u)" -eq 0 ]; then
        nice_values=$(ps -L -o nice= -p "$app_pid" | grep -E '^ *-?[0-9]+ *$' | sort -un | tr -d ' ' | tr '\n' ' ')
        for value in $nice_values; do
            [ "$value" -le -10 ] || fail "a thread runs at nice $value (all: $nice_values)"
        done
    fi
    press "$id" ctrl+q
    wait_exit
    ;;

reopens_at_stored_position)
    KEY=ctrl+q run_until_quit
    stored=$(stored_position)
    [ -n "$stored" ] || fail "nothing stored after the first run"
    # Move the stored window elsewhere, keeping the rest of the framework's string.
    read -r _ _ rest <<< "$stored"
    sed -i "s|val=\"$stored\"|val=\"300 250 $rest\"|" "$settings_file"
    for run in second third; do
        KEY=ctrl+q run_until_quit
        IFS='|' read -r geo _ _ < "$work/last-run"
        read -r x y _ _ <<< "$geo"
        [ "$x $y" = "300 250" ] || fail "$run run opened at $x,$y instead of the stored 300,250"
    done
    # A position on no connected display falls back to the default place.
    sed -i "s|val=\"[^\"]*\"|val=\"5000 4000 $rest\"|" "$settings_file"
    KEY=ctrl+q run_until_quit
    IFS='|' read -r geo frame _ < "$work/last-run"
    read -r x y _ _ <<< "$geo"
    read -r left _ top _ <<< "$frame"
    [ "$x $y" = "$((100 + left)) $((100 + top))" ] || fail "off-screen position was not replaced by 100,100 ($x,$y)"
    ;;

alt_f4_quits_and_stores_position)
    KEY=alt+F4 run_until_quit
    [ -n "$(stored_position)" ] || fail "no position stored after Alt+F4"
    ;;

missing_module_warns_and_never_shows_window)
    # A start that fails must not lose the position the window was left at last time.
    mkdir -p "$(dirname "$settings_file")"
    kept='300 250 560 340 frame 20 1 1 1'
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES>\n  <VALUE name="mainWindowPos" val="%s"/>\n</PROPERTIES>\n' "$kept" > "$settings_file"
    expect_warning_then_quit "$(copy_app_alone)" "Plugin file not found"
    [ "$(stored_position)" = "$kept" ] || fail "the stored position became '$(stored_position)'"
    ;;

folder_in_module_place_counts_as_missing)
    app=$(copy_app_alone)
    mkdir -p "$app.so"
    expect_warning_then_quit "$app" "Plugin file not found"
    ;;

garbage_module_warns_and_quits)
    app=$(copy_app_alone)
    echo "not a module" > "$app.so"
    expect_warning_then_quit "$app" "Plugin could not be loaded"
    ;;

module_without_entry_point_warns_and_quits)
    app=$(copy_app_alone)
    cp "${TOLVANE_NO_ENTRY_MODULE:?}" "$app.so"
    expect_warning_then_quit "$app" "Plugin could not be loaded"
    ;;

plays_the_plugin_through_jack_when_a_key_is_held)
    need_jack
    alsa_without_plugins
    start_app "$TOLVANE_APP"
    id=$(wait_window "$editor_title") || fail "no window titled '$editor_title' appeared"
    connected_to_jack || fail "the application's outputs are not connected: $(jack_lsp -c | tr '\n' ' ')"
    quiet=$(peak 0.4)
    awk -v p="$quiet" 'BEGIN { exit !(p < 0.001) }' || fail "sound before any key was played (peak $quiet)"
    loud=$(peak_with_key_held "$id" playing-through-jack.png)
    awk -v p="$loud" 'BEGIN { exit !(p > 0.05) }' || fail "no sound while a key was held (peak $loud)"
    echo "peak silent: $quiet, with a key held: $loud"
    press "$id" ctrl+q
    wait_exit
    ;;

opens_the_default_device_whatever_the_saved_state)
    # Each start opens the device once, with no trial devices and no second look for devices:
    # one client of ours and one of the framework's device scan register with the server.
    need_jack
    alsa_without_plugins
    stdbuf -oL jack_evmon > "$work/events" 2>&1 &
    evmon_pid=$!
    disown
    trap 'kill -9 $evmon_pid 2>/dev/null; cleanup' EXIT
    # Listening once it sees a client of jack_lsp come.
    until grep -q 'registered' "$work/events"; do
        kill -0 $evmon_pid 2>/dev/null || fail "jack_evmon ended: $(cat "$work/events")"
        jack_lsp > /dev/null 2>&1
        sleep 0.1
    done
    saved_jack="&lt;DEVICESETUP deviceType=&quot;JACK&quot; audioOutputDeviceName=&quot;system&quot; audioInputDeviceName=&quot;system&quot;/&gt;"
    starts=0
    for saved in "" "this is not &lt;xml" "none" "$saved_jack"; do
        rm -f "$settings_file"
        [ "$saved" = none ] || settings_with_device_state "$saved"
        start_app "$TOLVANE_APP"
        starts=$((starts + 1))
        id=$(wait_window "$editor_title") || fail "no window with saved state '$saved'"
        connected_to_jack || fail "no device opened with saved state '$saved'"
        # The plug-in takes no input: the saved device's output runs alone, and the checks
        # that bring a lost device back (twice a second) leave it so.
        [ "$saved" = "$saved_jack" ] && sleep 2.5
        press "$id" ctrl+q
        wait_exit
    done
    kill -9 $evmon_pid 2>/dev/null
    registered=$(grep -c '^Client Tolvane Editor registered' "$work/events")
    scans=$(grep -c '^Client JuceJackDummy registered' "$work/events")
    [ "$registered $scans" = "$starts $starts" ] \
        || fail "$starts starts registered $registered clients and $scans scanning clients with the server"
    ;;

sound_comes_back_when_the_jack_server_restarts)
    # A server of this case's own, stopped and started again under the running application,
    # once with the device chosen in the settings and once with none chosen.
    command -v jackd > /dev/null || { echo "SKIP [$case_name]: no jackd"; exit 77; }
    alsa_without_plugins
    source "$(dirname "$0")/../../scripts/lib/jack.sh"
    trap 'tolvane_stop_jacks; cleanup' EXIT
    export JACK_DEFAULT_SERVER="tolvane-restart-$$"
    for saved in '<DEVICESETUP deviceType="JACK" audioOutputDeviceName="system" audioInputDeviceName="system"/>' none; do
        rm -f "$settings_file"
        [ "$saved" = none ] || settings_with_device_state "$(sed 's/</\&lt;/g; s/>/\&gt;/g; s/"/\&quot;/g' <<< "$saved")"
        tolvane_start_jack "$JACK_DEFAULT_SERVER" 256 2 || fail "JACK server '$JACK_DEFAULT_SERVER' did not start"
        start_app "$TOLVANE_APP"
        id=$(wait_window "$editor_title") || fail "no window titled '$editor_title' appeared"
        connected_to_jack || fail "not connected to the server at start ($saved)"
        tolvane_stop_jacks
        # A few of the application's checks find no server; it keeps running meanwhile.
        sleep 3
        kill -0 "$app_pid" 2> /dev/null || fail "the application ended when the server went away"
        tolvane_start_jack "$JACK_DEFAULT_SERVER" 256 2 || fail "JACK server '$JACK_DEFAULT_SERVER' did not start again"
        back=$(date +%s.%N)
        connected_to_jack || fail "not connected again after the server came back ($saved)"
        took=$(awk -v a="$(date +%s.%N)" -v b="$back" 'BEGIN { printf "%.2f", a - b }')
        awk -v t="$took" 'BEGIN { exit !(t <= 3.0) }' || fail "reconnected only after ${took}s ($saved)"
        loud=$(peak_with_key_held "$id")
        awk -v p="$loud" 'BEGIN { exit !(p > 0.05) }' || fail "silent after the server came back (peak $loud)"
        echo "reconnected ${took}s after the server came back, peak $loud ($saved)"
        press "$id" ctrl+q
        wait_exit
        if [ "$saved" = none ]; then
            grep -q 'name="audioDeviceState"' "$settings_file" && fail "recovery stored a device choice"
        else
            grep -qE 'audioOutputDeviceName=("|&quot;)system' "$settings_file" || fail "the device choice was not kept"
        fi
        tolvane_stop_jacks
    done
    ;;

plays_through_pulseaudio_and_comes_back_when_the_server_restarts)
    # A Linux desktop: no JACK server and no saved state; ALSA's "default" device reaches a
    # PulseAudio server (libasound2-plugins), which is killed and started again.
    if ! command -v pulseaudio > /dev/null || [ -n "${ALSA_CONFIG_PATH:-}" ] \
        || ! ls /usr/lib/*/alsa-lib/libasound_module_pcm_pulse.so > /dev/null 2>&1; then
        echo "SKIP [$case_name]: no PulseAudio server, or ALSA without its pulse plug-in"
        exit 77
    fi
    export JACK_DEFAULT_SERVER="tolvane-none-$$" JACK_NO_START_SERVER=1 listen=pulse_peak
    tolvane_start_pulse "$work/pulse" || fail "no PulseAudio server"
    start_app "$TOLVANE_APP"
    id=$(wait_window "$editor_title") || fail "no window titled '$editor_title' appeared"
    echo "start-up to visible window: $(awk -v a="$(date +%s.%N)" -v b="$started_at" 'BEGIN { printf "%.2f", a - b }')s"
    wait_until 10 tolvane_pulse_playing "Tolvane Editor" || fail "the application plays nothing into the server"
    quiet=$(pulse_peak 0.4)
    awk -v p="$quiet" 'BEGIN { exit !(p < 0.001) }' || fail "sound before any key was played (peak $quiet)"
    loud=$(peak_with_key_held "$id" playing-through-pulseaudio.png 5)
    awk -v p="$loud" 'BEGIN { exit !(p > 0.05) }' || fail "no sound while a key was held (peak $loud)"
    echo "peak silent: $quiet, with a key held: $loud"
    tolvane_stop_pulse
    kill -0 "$app_pid" 2> /dev/null || fail "the application ended when the server went away"
    tolvane_start_pulse "$work/pulse" || fail "the PulseAudio server did not start again"
    back=$(date +%s.%N)
    wait_until 4 tolvane_pulse_playing "Tolvane Editor" || fail "not playing into the server within 3 s of its return"
    took=$(awk -v a="$(date +%s.%N)" -v b="$back" 'BEGIN { printf "%.2f", a - b }')
    awk -v t="$took" 'BEGIN { exit !(t <= 3.0) }' || fail "playing again only after ${took}s"
    loud=$(peak_with_key_held "$id" "" 5)
    awk -v p="$loud" 'BEGIN { exit !(p > 0.05) }' || fail "silent after the server came back (peak $loud)"
    echo "playing again ${took}s after the server came back, peak $loud"
    press "$id" ctrl+q
    wait_exit
    grep -q 'name="audioDeviceState"' "$settings_file" && fail "recovery stored a device choice"
    ;;

reference_editor_opens_the_settings_dialog_in_its_colours)
    need_jack
    start_app "$TOLVANE_APP"
    id=$(wait_window "$editor_title") || fail "no window titled '$editor_title' appeared"
    sleep 1
    import -window root "$artefacts/reference-editor.png" 2>/dev/null
    # The editor's "Audio / MIDI Settings..." button, in its host panel on the right.
    read -r x y _ _ <<< "$(geometry "$id")"
    xdotool mousemove $((x + 472)) $((y + 187)) click 1
    dialog=$(wait_window "Audio / MIDI Settings" 10) || fail "the editor's button opened no settings dialog"
    sleep 0.5
    import -window root "$artefacts/reference-settings-dialog.png" 2>/dev/null
    background=$(pixel "$dialog" 10 400)
    [ "$background" = 22313f ] || fail "the dialog's background is #$background, not the plug-in's #22313f"
    press "$dialog" Escape
    wait_gone "Audio / MIDI Settings" || fail "Escape did not close the dialog"
    # Written as the call-back returns, just after the dialog has gone from the screen.
    deadline=$((SECONDS + 5))
    until grep -q 'name="audioDeviceState"' "$settings_file" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "no device state saved after the dialog"
        sleep 0.1
    done
    press "$id" ctrl+q
    wait_exit
    ;;

module_is_found_beside_the_real_executable)
    # A module of the same name in the current folder is never taken, whether the program is
    # found through PATH or started through a symlink that lies in that folder.
    mkdir -p "$work/elsewhere"
    echo "not a module" > "$work/elsewhere/Tolvane Editor.so"
    ln -s "$TOLVANE_APP" "$work/elsewhere/tolvane-editor"
    for how in path symlink; do
        if [ $how = path ]; then
            (cd "$work/elsewhere" && PATH="$(dirname "$TOLVANE_APP"):$PATH" exec "Tolvane Editor") > "$work/app.log" 2>&1 &
        else
            (cd "$work/elsewhere" && exec ./tolvane-editor) > "$work/app.log" 2>&1 &
        fi
        app_pid=$!
        id=$(wait_window "$editor_title") || fail "started through $how: the editor beside the executable did not load"
        press "$id" ctrl+q
        wait_exit
    done
    ;;

damaged_settings_are_set_aside_and_never_written_over)
    mkdir -p "$(dirname "$settings_file")"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES>\n  <VALUE name="mainWindowPos" val="300 250 640 420"/>\n  <VALUE name="audioDeviceState">\n    <DEVICESETUP deviceType="JACK"' > "$settings_file"
    cp "$settings_file" "$work/damaged"
    KEY=ctrl+q run_until_quit
    cmp -s "$work/damaged" "$settings_file.damaged" || fail "the damaged file was not kept as it was"
    [ -n "$(stored_position)" ] || fail "no position stored in the new settings file"

    # A folder in the file's place, and a settings folder that cannot be made (a file holds
    # its name; permissions would not stop root): it runs and quits cleanly all the same.
    rm -rf "$settings_file"
    mkdir -p "$settings_file"
    KEY=ctrl+q run_until_quit
    [ -d "$settings_file" ] || fail "the folder in the settings file's place was touched"
    rm -rf "$XDG_CONFIG_HOME"
    mkdir -p "$XDG_CONFIG_HOME" && touch "$XDG_CONFIG_HOME/Tolvane Editor"
    KEY=ctrl+q run_until_quit
    ;;

system_quit_signals_store_the_moved_position)
    for signal in TERM HUP; do
        start_app "$TOLVANE_APP"
        id=$(wait_window "$editor_title") || fail "no window titled '$editor_title' appeared"
        target=$([ $signal = TERM ] && echo "320 260" || echo "360 280")
        xdotool windowmove --sync "$id" $target
        sleep 0.3
        read -r x y _ _ <<< "$(geometry "$id")"
        kill -$signal "$app_pid"
        wait_exit
        stored=$(stored_position)
        [[ "$stored" == "$x $y "* ]] || fail "SIG$signal: stored '$stored', the window was at $x,$y"
    done
    ;;

editor_and_dialog_follow_the_display_scale)
    # The framework takes a display's scale from XSETTINGS' "Gdk/WindowScalingFactor" (whole
    # numbers; not from Xft.dpi), read as it starts. On a display of its own, big enough for 200 %:
    # the editor drawn once at that scale, its button where it shows, the dialog scaled too,
    # and the window back at the same place in a second run.
    command -v xsettingsd > /dev/null || fail "xsettingsd is missing (scripts/install-deps.sh test)"
    source "$(dirname "$0")/../../scripts/lib/display.sh"
    trap 'cleanup; [ -n "${xsettings_pid:-}" ] && kill "$xsettings_pid"; tolvane_stop_display' EXIT
    TOLVANE_XVFB_SCREEN=2560x1600x24 tolvane_start_display || fail "no display of its own"
    for scale in 1 2; do
        echo "Gdk/WindowScalingFactor $scale" > "$work/xsettings"
        xsettingsd -c "$work/xsettings" > "$work/xsettings.log" 2>&1 &
        xsettings_pid=$!
        wait_line "$work/xsettings.log" "xsettingsd: Took ownership of selection _XSETTINGS_S0" \
            || fail "xsettingsd did not start: $(cat "$work/xsettings.log")"
        shot="$artefacts/editor-at-scale-$scale.png"
        for run in first second; do
            start_app "$TOLVANE_APP"
            id=$(wait_window "$editor_title") || fail "no window at scale $scale"
            sleep 1
            read -r x y w h <<< "$(geometry "$id")"
            [ "$w $h" = "$((editor_width * scale)) $((editor_height * scale))" ] \
                || fail "at scale $scale the content is $w x $h"
            if [ $run = first ]; then
                window_picture "$id" "$shot"
                xdotool mousemove $((x + 472 * scale)) $((y + 187 * scale)) click 1
                dialog=$(wait_window "Audio / MIDI Settings" 10) || fail "the editor's button opened no dialog at scale $scale"
                sleep 0.5
                read -r _ _ dw dh <<< "$(geometry "$dialog")"
                import -window root "$artefacts/settings-dialog-at-scale-$scale.png" 2> /dev/null
                [ "$dw $dh" = "$((500 * scale)) $((550 * scale))" ] || fail "at scale $scale the dialog is $dw x $dh"
                press "$dialog" Escape
                wait_gone "Audio / MIDI Settings" || fail "Escape did not close the dialog"
                first_place="$x $y"
            else
                [ "$x $y" = "$first_place" ] || fail "at scale $scale reopened at $x,$y, not at $first_place"
            fi
            press "$id" ctrl+q
            wait_exit
        done
        difference=$(image_difference "$shot" "$artefacts/editor-at-scale-1.png")
        echo "scale $scale: content $w x $h, difference from 100 %: $difference"
        awk -v d="$difference" 'BEGIN { exit !(d < 0.03) }' || fail "the editor at scale $scale differs from 100 % by $difference"
        kill "$xsettings_pid"; wait "$xsettings_pid"; xsettings_pid=""
    done
    ;;

debian_package_installs_the_editor_and_starts_from_the_menu_command)
    deb=$(build_deb "$TOLVANE_APP.so" "Tolvane Editor" 1.2.3) || fail "debian.sh failed: $(cat "$work/debian.log")"
    [ "$(basename "$deb")" = tolvane-editor_1.2.3_amd64.deb ] || fail "package file '$deb'"
    files=$(deb_files "$deb")
    expected="-rw-r--r-- usr/lib/tolvane-editor/Tolvane Editor.so
-rw-r--r-- usr/share/applications/tolvane-editor.desktop
-rw-r--r-- usr/share/doc/tolvane-editor/changelog.gz
-rw-r--r-- usr/share/doc/tolvane-editor/copyright
-rw-r--r-- usr/share/icons/hicolor/128x128/apps/tolvane-editor.png
-rw-r--r-- usr/share/icons/hicolor/256x256/apps/tolvane-editor.png
-rw-r--r-- usr/share/icons/hicolor/48x48/apps/tolvane-editor.png
-rw-r--r-- usr/share/icons/hicolor/scalable/apps/tolvane-editor.svg
-rw-r--r-- usr/share/man/man1/tolvane-check.1.gz
-rw-r--r-- usr/share/man/man1/tolvane-editor.1.gz
-rw-r--r-- usr/share/metainfo/org.tolvane.tolvane_editor.metainfo.xml
-rwxr-xr-x usr/lib/tolvane-editor/Tolvane Editor
-rwxr-xr-x usr/lib/tolvane-editor/tolvane-check
lrwxrwxrwx usr/bin/tolvane-check -> ../lib/tolvane-editor/tolvane-check
lrwxrwxrwx usr/bin/tolvane-editor -> ../lib/tolvane-editor/Tolvane Editor"
    [ "$files" = "$expected" ] || fail "the package holds:"$'\n'"$files"
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ "$depends" == *libasound2* && "$depends" == *libx11-6* ]] || fail "Depends: $depends"
    check_deb "$deb"
    for size in 48 128 256; do
        [ "$(identify -format %wx%h "$work/root/usr/share/icons/hicolor/${size}x$size/apps/tolvane-editor.png")" = "${size}x$size" ] \
            || fail "the ${size} px icon has another size"
    done

    # The menu's command, found through PATH, from another folder and a fresh home.
    command=$(sed -n 's/^Exec=//p' "$work/root/usr/share/applications/tolvane-editor.desktop")
    [ "$command" = tolvane-editor ] || fail "the desktop entry runs '$command'"
    start_from_elsewhere env PATH="$work/root/usr/bin:$PATH" "$command"
    id=$(wait_window "$editor_title") || fail "the packaged editor did not show"
    press "$id" ctrl+q
    wait_exit
    grep -q 'name="mainWindowPos"' "$work/home/.config/Tolvane Editor/Tolvane Editor.settings" \
        || fail "no position stored under the fresh home"
    "$work/root/usr/bin/tolvane-check" --no-editor "$work/root/usr/lib/tolvane-editor/Tolvane Editor.so" \
        > "$work/check.log" 2>&1 || fail "the packaged checker fails the packaged module: $(cat "$work/check.log")"
    ;;

debian_package_for_a_maker_starts_with_their_module)
    : "${TOLVANE_PROBE_MODULE:?}"
    build_deb "$TOLVANE_PROBE_MODULE" "!!" 1.0 > /dev/null && fail "a name without letters made a package"
    deb=$(build_deb "$TOLVANE_PROBE_MODULE" "Product Name" 2.0) || fail "debian.sh failed: $(cat "$work/debian.log")"
    [ "$(dpkg-deb -f "$deb" Package)" = product-name ] || fail "package $(dpkg-deb -f "$deb" Package)"
    files=$(deb_files "$deb" | grep -e /bin/ -e /lib/)
    expected="-rw-r--r-- usr/lib/product-name/Product Name.so
-rwxr-xr-x usr/lib/product-name/Product Name
-rwxr-xr-x usr/lib/product-name/tolvane-check
lrwxrwxrwx usr/bin/product-name -> ../lib/product-name/Product Name"
    [ "$files" = "$expected" ] || fail "the package's programs are:"$'\n'"$files"
    check_deb "$deb"
    grep -qx 'Name=Product Name' "$work/root/usr/share/applications/product-name.desktop" \
        || fail "the desktop entry does not show the product's name"
    start_from_elsewhere "$work/root/usr/bin/product-name"
    id=$(wait_window "Mini-Host Probe") || fail "the maker's package did not start with their module"
    press "$id" ctrl+q
    wait_exit
    ;;

*)
    echo "unknown case: $case_name" >&2
    exit 2
    ;;
esac

echo "PASS [$case_name]"
