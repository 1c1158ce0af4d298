#!/usr/bin/env bash
# End-to-end checks of the Windows build under Wine, on a display with a window manager.
# Usage: wine_e2e.sh CASE
# Environment: DISPLAY; TOLVANE_WIN_DIST (folder with "Tolvane Editor.exe" and ".dll");
# TOLVANE_WINE_STATE (where the Wine prefix is kept); optional TOLVANE_E2E_ARTEFACTS for
# screenshots and timings.
set -uo pipefail

case_name=${1:?usage: wine_e2e.sh CASE}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/wine.sh"
source "$here/common.sh"

fail() {
    echo "FAIL [$case_name]: $*" >&2
    [ -n "${DISPLAY:-}" ] && import -window root "$artefacts/wine-$case_name-failure.png" 2> /dev/null
    [ -f "${work:-/nonexistent}/app.log" ] && grep -v ':trace:' "$work/app.log" | tail -n 40 | sed 's/^/    app: /' >&2
    exit 1
}

: "${DISPLAY:?the Wine tests need a display with a window manager (scripts/test-windows.sh starts one)}"
: "${TOLVANE_WIN_DIST:?TOLVANE_WIN_DIST must name the folder of the Windows build}"
: "${TOLVANE_WINE_STATE:?TOLVANE_WINE_STATE must name the folder for the Wine prefix}"

app_name="Tolvane Editor"
editor_title="Tolvane Reference"
artefacts=${TOLVANE_E2E_ARTEFACTS:-$TOLVANE_WINE_STATE/artefacts}
mkdir -p "$artefacts"

tolvane_wine_env "$TOLVANE_WINE_STATE"
tolvane_wine_prepare || fail "no usable Wine: install the packages wine and wine64 (scripts/install-deps.sh wine)"

work=$(mktemp -d)
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT

settings_dir="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/$app_name"
settings_file="$settings_dir/$app_name.settings"
rm -rf "$settings_dir"

# start_app EXE [WINEDEBUG]: starts the Windows program from its own folder, logging to app.log.
start_app() {
    cd "$(dirname "$1")" || fail "no folder for $1"
    WINEDEBUG=${2:--all} wine "$1" > "$work/app.log" 2>&1 &
    app_pid=$!
    started_at=$(date +%s.%N)
    cd "$work" || true
}

# wait_window TITLE [SECONDS]: prints the id of a visible window with exactly this title.
wait_window() {
    local title=$1 limit=${2:-60} id
    local deadline=$((SECONDS + limit))
    while [ $SECONDS -lt $deadline ]; do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2> /dev/null | head -n 1)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        kill -0 "$app_pid" 2> /dev/null || return 1
        sleep 0.05
    done
    return 1
}

# press KEYS WINDOW: activates the window and types the keys into it.
press() {
    xdotool windowactivate --sync "$2" > /dev/null 2>&1 || fail "could not activate window $2"
    xdotool key "$1"
}

# windows_path UNIX_PATH: the path as a Windows program sees it, on Wine's drive Z:.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
# traced_windows_path UNIX_PATH: the same with the doubled backslashes of Wine's trace output.
traced_windows_path() { windows_path "$1" | sed 's|\\|\\\\|g'; }

# write_direct_sound_settings: a settings file choosing DirectSound on the default output:
# under Wine the default WASAPI device waits for input that ALSA's null device never delivers.
write_direct_sound_settings() {
    mkdir -p "$settings_dir"
    cat > "$settings_file" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<PROPERTIES>
  <VALUE name="audioDeviceState">
    <DEVICESETUP deviceType="DirectSound" audioOutputDeviceName="Primary Sound Driver"
                 audioInputDeviceName="" audioDeviceRate="44100.0"/>
  </VALUE>
</PROPERTIES>
XML
}

# scale_display PERCENT: the display scaling Wine gives the programs started next
# (HKCU\Control Panel\Desktop, LogPixels: 96 at 100 %).
scale_display() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $(($1 * 96 / 100)) /f \
        > /dev/null 2>&1 || fail "could not set the display scaling to $1 %"
}

# with_pulse_driver: Wine's pulse driver plays into a PulseAudio server of the case's own
# (a null sink "test"), for the rest of the case.
with_pulse_driver() {
    command -v pulseaudio > /dev/null || fail "pulseaudio is missing (scripts/install-deps.sh wine)"
    tolvane_start_pulse "$work/pulse" || fail "no PulseAudio server"
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /t REG_SZ /d pulse /f > /dev/null 2>&1 \
        || fail "could not choose Wine's pulse driver"
    trap "wine reg delete 'HKCU\\Software\\Wine\\Drivers' /v Audio /f > /dev/null 2>&1; tolvane_stop_pulse; cleanup" EXIT
}

# is_loud LEVEL: whether tolvane_pulse_level's report has a channel peaking above 0.05.
is_loud() {
    awk '/^peak/ { exit !(($2 > $3 ? $2 : $3) > 0.05) }' <<< "$1"
}

# hold_key_until_heard ID SECONDS WHAT: holds a key of the editor in window ID until the
# sink's monitor hears it (a peak above 0.05 in half a second), at most SECONDS; the key
# stays held. Sets level to what was heard.
hold_key_until_heard() {
    local x y deadline=$((SECONDS + $2))
    read -r x y _ _ <<< "$(geometry "$1")"
    xdotool mousemove $((x + 200)) $((y + 380)) mousedown 1
    until level=$(tolvane_pulse_level 0.5); is_loud "$level"; do
        [ $SECONDS -lt $deadline ] || fail "no sound at the monitor while a key was held ($3: $(tr '\n' ' ' <<< "$level"))"
    done
}

# pick_from_list WINDOW X Y ROW: clicks the drop-down list at X,Y of the window open, then
# clicks its ROWth item (from 0).
pick_from_list() {
    local x y menu tries=0
    read -r x y _ _ <<< "$(geometry "$1")"
    until xdotool mousemove $((x + $2)) $((y + $3)) click 1
          menu=$(wait_window menu 2); do
        tries=$((tries + 1))
        [ $tries -lt 5 ] || fail "no list opened at $2,$3 of window $1"
    done
    read -r x y _ _ <<< "$(geometry "$menu")"
    xdotool mousemove $((x + 60)) $((y + 23 * $4 + 11)) sleep 0.2 click 1
}

# open_settings_dialog ID: clicks the reference editor's "Audio / MIDI Settings..." button
# until the dialog shows (a window just shown may not take the first click); prints its id.
open_settings_dialog() {
    local x y tries=0
    read -r x y _ _ <<< "$(geometry "$1")"
    until xdotool mousemove $((x + 472)) $((y + 187)) click 1
          wait_window "Audio / MIDI Settings" 2; do
        tries=$((tries + 1))
        [ $tries -lt 10 ] || fail "the editor's button opened no dialog"
    done
}

# sink_input: the index of the program's stream on the sink (empty when none plays).
sink_input() {
    pactl list sink-inputs | awk '/^Sink Input #/ { index_ = substr($3, 2) }
                                  /application.name = ".*Tolvane Editor/ { print index_; exit }'
}

# plays_anew OLD: whether the program plays into the sink through another stream than OLD.
plays_anew() {
    local stream
    stream=$(sink_input)
    [ -n "$stream" ] && [ "$stream" != "$1" ]
}

# on_display_of_its_own: the rest of the case runs on a display of its own, big enough for
# 200 %, with a Wine server of its own; the scaling goes back to 100 % at the end.
on_display_of_its_own() {
    tolvane_wine_stop
    source "$here/../../scripts/lib/display.sh"
    trap 'scale_display 100; tolvane_wine_stop; cleanup; tolvane_stop_display' EXIT
    TOLVANE_XVFB_SCREEN=2600x1800x24 tolvane_start_display || fail "no display of its own"
}

# looks_like PICTURE REFERENCE: both show the same thing at whatever sizes (coarsely).
looks_like() {
    local difference
    difference=$(image_difference "$1" "$2")
    echo "$(basename "$1"): differs from $(basename "$2") by $difference"
    awk -v d="$difference" 'BEGIN { exit !(d < 0.03) }' || fail "$(basename "$1") differs from $(basename "$2") by $difference"
}

# play_head_panel ID FILE: saves the lines of the reference editor's play head panel at 100 %
# (ReferenceLayout::panelBody of playHeadPanel), where the device and the play head are shown.
play_head_panel() {
    import -window "$1" -crop 264x112+36+172 +repage "$2" 2> /dev/null
}

# differing_pixels A B: how many pixels differ between two pictures of the same size.
differing_pixels() {
    compare -metric AE "$1" "$2" null: 2>&1 | awk '{ printf "%d", $1 }'
}

# settled_play_head_panel ID FILE: saves the panel once it stays the same for 0.3 s (10 s at most).
settled_play_head_panel() {
    local deadline=$((SECONDS + 10))
    play_head_panel "$1" "$2"
    until sleep 0.3; play_head_panel "$1" "$work/panel-again.png"
          [ "$(differing_pixels "$2" "$work/panel-again.png")" = 0 ] || [ $SECONDS -ge $deadline ]; do
        cp "$work/panel-again.png" "$2"
    done
}

# panel_changed ID FIRST: whether the play head panel (saved in $artefacts) shows other text
# than FIRST: pixels differ, and it is a panel still (not a window that is not drawn yet).
panel_changed() {
    local now=$artefacts/wine-play-head-now.png
    play_head_panel "$1" "$now"
    [ "$(differing_pixels "$2" "$now")" != 0 ] && awk -v d="$(image_difference "$2" "$now")" 'BEGIN { exit !(d < 0.15) }'
}

# The installer's places in the prefix: Program Files, all users' Start menu, the Apps entries.
program_files="$WINEPREFIX/drive_c/Program Files"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
apps_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# make_installer ARGS...: makes the packages of the tested build with scripts/package.sh
# ARGS (a .dll module among them) into $work/packages.
make_installer() {
    TOLVANE_WINDOWS_BUILD_DIR=$(dirname "$TOLVANE_WIN_DIST") bash "$here/../../scripts/package.sh" \
        --out "$work/packages" "$@" > "$work/package.log" 2>&1 || fail "package.sh $*: $(tail -n 20 "$work/package.log")"
}

# forget_installation NAME: removes what an earlier run may have left installed of NAME.
forget_installation() {
    wine reg delete "$apps_key\\$1" /f > /dev/null 2>&1
    rm -rf "${program_files:?}/$1" "$start_menu/$1.lnk"
}

# install_silently SETUP: runs the installer with /S, which returns once it has installed.
install_silently() {
    wine "$1" /S > "$work/setup.log" 2>&1 || fail "the silent install of $1 failed: $(cat "$work/setup.log")"
}

# apps_value NAME VALUE: a value of NAME's Apps entry, as reg prints it.
apps_value() {
    wine reg query "$apps_key\\$1" /v "$2" 2> /dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z]* *//p"
}

# start_from_shortcut NAME: starts the target of NAME's Start-menu shortcut, which must be
# the installed program.
start_from_shortcut() {
    local target
    target=$(tr -c '[:print:]' '\n' < "$start_menu/$1.lnk" 2> /dev/null | grep -m 1 '^[A-Z]:\\.*\.exe$')
    [ "$target" = "C:\\Program Files\\$1\\$1.exe" ] || fail "the shortcut \"$1\" leads to \"$target\""
    start_app "$(wine winepath -u "$target" 2> /dev/null)"
}

# uninstall_silently NAME: runs the Apps entry's quiet uninstall command and waits for the
# program folder, the shortcut and the Apps entry to go (the uninstaller returns at once and
# works from a copy in %TEMP%, removing them one after another).
uninstall_silently() {
    local command exe deadline=$((SECONDS + 30))
    command=$(apps_value "$1" QuietUninstallString)
    exe=${command#\"} exe=${exe%\" /S}
    [ "$command" = "\"$exe\" /S" ] || fail "the quiet uninstall command is \"$command\""
    wine "$exe" /S > "$work/setup.log" 2>&1 || fail "the uninstaller failed: $(cat "$work/setup.log")"
    until [ ! -e "$program_files/$1" ] && [ ! -e "$start_menu/$1.lnk" ] \
          && ! wine reg query "$apps_key\\$1" > /dev/null 2>&1; do
        if [ $SECONDS -ge $deadline ]; then
            [ ! -e "$program_files/$1" ] || fail "the uninstaller left $program_files/$1: $(ls "$program_files/$1")"
            [ ! -e "$start_menu/$1.lnk" ] || fail "the uninstaller left the shortcut \"$1\""
            fail "the uninstaller left the Apps entry \"$1\""
        fi
        sleep 0.1
    done
}

case "$case_name" in
    starts_with_editor_and_alt_f4_quits_storing_position)
        start_app "$TOLVANE_WIN_DIST/$app_name.exe"
        id=$(wait_window "$editor_title") || fail "no window titled \"$editor_title\" appeared"
        shown_at=$(date +%s.%N)
        echo "$shown_at - $started_at" | bc > "$artefacts/wine-startup-seconds.txt"
        # Wine hands the window's style to the window manager as Motif functions: minimise
        # and close, no maximise and no resizing.
        functions=$(xprop -id "$id" _MOTIF_WM_HINTS | awk -F'[=,] *' '{ print $3 }')
        [ -n "$functions" ] || fail "the window has no Motif hints"
        (( (functions & 0x28) == 0x28 && (functions & 0x12) == 0 )) \
            || fail "the window's functions are $functions, not minimise and close without maximise or resize"
        sleep 0.5
        import -window root "$artefacts/wine-editor.png" 2> /dev/null
        press alt+F4 "$id"
        wait_exit
        [ -f "$settings_file" ] || fail "no settings file at $settings_file"
        grep -q '<VALUE name="mainWindowPos" val="[0-9-]* [0-9-]* [0-9]* [0-9]*"' "$settings_file" \
            || fail "the settings hold no window position: $(cat "$settings_file")"
        ;;

    audio_callbacks_run_on_null_device)
        # DirectSound over ALSA's null device; the program writes each audio block into the
        # device's buffer, which Wine traces as a buffer lock, and the plug-in (the probe
        # module) is prepared and processes.
        : "${TOLVANE_MINIHOST_PROBE:?}"
        mkdir -p "$work/probe"
        cp "$TOLVANE_WIN_DIST/$app_name.exe" "$work/probe/"
        cp "$TOLVANE_MINIHOST_PROBE" "$work/probe/$app_name.dll"
        log="$work/probe.log"
        : > "$log"
        write_direct_sound_settings
        TOLVANE_PROBE_LOG=$(windows_path "$log") TOLVANE_PROBE_COMMANDS=$(windows_path "$work/probe.commands") \
            start_app "$work/probe/$app_name.exe" "-all,trace+dsound"
        id=$(wait_window "Mini-Host Probe") || fail "no window titled \"Mini-Host Probe\" appeared"
        wait_line "$log" processing 30 || fail "the plug-in never processed audio: $(cat "$log")"
        before=$(grep -c 'IDirectSoundBufferImpl_Lock' "$work/app.log")
        sleep 1
        after=$(grep -c 'IDirectSoundBufferImpl_Lock' "$work/app.log")
        [ $((after - before)) -ge 10 ] \
            || fail "audio blocks did not keep coming: $before buffer writes, then $after one second later"
        press alt+F4 "$id"
        wait_exit
        grep -q 'deviceType="DirectSound"' "$settings_file" || fail "the device choice was lost: $(cat "$settings_file")"
        ;;

    wasapi_through_pulseaudio_fresh_saved_and_lost)
        # Windows Audio (WASAPI shared mode) through Wine's pulse driver and a PulseAudio
        # server with a null sink: fresh settings open the default endpoint, the editor's play
        # head panel shows it without help, and a key of the editor is heard at the monitor; a
        # saved WASAPI state reopens and stays the choice, and comes back when its sink or the
        # server goes and returns; the exclusive and low-latency variants, which Wine refuses,
        # give way to a device that plays and stay the saved choice. Each keeps playing through
        # two seconds of recovery's checks.
        with_pulse_driver
        for saved in none "Windows Audio" "Windows Audio (Exclusive Mode)" "Windows Audio (Low Latency Mode)"; do
            rm -rf "$settings_dir"
            if [ "$saved" != none ]; then
                mkdir -p "$settings_dir"
                printf '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES>\n  <VALUE name="audioDeviceState">\n    <DEVICESETUP deviceType="%s" audioOutputDeviceName="Null Output"/>\n  </VALUE>\n</PROPERTIES>\n' \
                    "$saved" > "$settings_file"
            fi
            start_app "$TOLVANE_WIN_DIST/$app_name.exe"
            id=$(wait_window "$editor_title") || fail "no window titled \"$editor_title\" ($saved)"
            [ "$saved" = none ] && settled_play_head_panel "$id" "$artefacts/wine-play-head-first.png"
            wait_until 20 tolvane_pulse_playing "Tolvane Editor" || fail "nothing plays into the server ($saved)"
            if [ "$saved" = none ]; then
                # The editor's play head panel shows the running device by itself. If it
                # still shows what it showed first, that must be what the editor shows when
                # it opens again (the window minimised and restored), or it was stale.
                xdotool mousemove 0 0
                if ! wait_until 3 panel_changed "$id" "$artefacts/wine-play-head-first.png"; then
                    xdotool windowminimize "$id"
                    wait_until 10 eval 'xprop -id "$id" WM_STATE | grep -q "window state: Iconic"' || fail "the window was not minimised"
                    wmctrl -i -a "$(printf '0x%x' "$id")"
                    ! wait_until 5 panel_changed "$id" "$artefacts/wine-play-head-first.png" \
                        || fail "the play head panel was stale until the window was minimised and restored (wine-play-head-*.png)"
                fi
            fi
            held_at=$SECONDS
            hold_key_until_heard "$id" 15 "$saved"
            [ "$saved" = none ] && import -window root "$artefacts/wine-wasapi-key-held.png" 2> /dev/null
            echo "$saved: key held, heard after $((SECONDS - held_at)) s: $(tr '\n' ' ' <<< "$level")"
            sleep 2
            level=$(tolvane_pulse_level 0.5)
            is_loud "$level" || fail "silent two seconds after the key was heard ($saved: $(tr '\n' ' ' <<< "$level"))"
            xdotool mouseup 1
            # The chosen endpoint lost while it plays: its sink unloaded and loaded again, then
            # the whole server killed and started again; recovery brings the sound back.
            for loss in sink server; do
                [ "$saved" = "Windows Audio" ] || break
                if [ $loss = sink ]; then
                    tolvane_pulse_sink unload
                    wait_until 5 eval '! tolvane_pulse_playing "Tolvane Editor"'
                    tolvane_pulse_sink load
                else
                    tolvane_stop_pulse
                    tolvane_start_pulse "$work/pulse" || fail "the PulseAudio server did not start again"
                fi
                back=$(date +%s.%N)
                wait_until 10 tolvane_pulse_playing "Tolvane Editor" || fail "not playing within 10 s of the $loss coming back"
                took=$(awk -v a="$(date +%s.%N)" -v b="$back" 'BEGIN { printf "%.2f", a - b }')
                hold_key_until_heard "$id" 5 "after the $loss came back"
                xdotool mouseup 1
                echo "$saved: playing again ${took} s after the $loss came back, and a key is heard"
                awk -v t="$took" 'BEGIN { exit !(t <= 3.0) }' || fail "playing again only ${took} s after the $loss came back"
            done
            press alt+F4 "$id"
            wait_exit
            if [ "$saved" = none ]; then
                grep -q 'name="audioDeviceState"' "$settings_file" && fail "a device choice was stored: $(cat "$settings_file")"
            else
                grep -qF "deviceType=\"$saved\"" "$settings_file" || fail "the saved choice $saved was lost: $(cat "$settings_file")"
            fi
        done
        ;;

    wasapi_chosen_in_the_settings_dialog_is_saved_and_reopened)
        # Over a saved DirectSound state the user picks "Windows Audio" in the settings dialog,
        # and its output "Null Output": each plays at once, closing the dialog saves them,
        # and the next start opens them: a key is heard while DirectSound mixes nothing, and the
        # saved state stays as the dialog left it.
        with_pulse_driver
        write_direct_sound_settings
        start_app "$TOLVANE_WIN_DIST/$app_name.exe" "-all,trace+dsound"
        id=$(wait_window "$editor_title") || fail "no window titled \"$editor_title\""
        wait_until 20 grep -q IDirectSoundBufferImpl_Lock "$work/app.log" || fail "DirectSound does not play"
        wait_until 10 plays_anew none || fail "DirectSound plays nothing into the server"
        direct_sound_stream=$(sink_input)
        dialog=$(open_settings_dialog "$id") || exit 1
        # The type list holds Windows Audio first; its outputs are "PulseAudio" (the
        # default) and "Null Output".
        pick_from_list "$dialog" 321 27 0
        wait_until 15 plays_anew "$direct_sound_stream" \
            || fail "nothing new plays after Windows Audio was picked: $(pactl list short sink-inputs)"
        default_stream=$(sink_input)
        pick_from_list "$dialog" 321 68 1
        wait_until 10 plays_anew "$default_stream" || fail "nothing new plays after Null Output was picked"
        import -window root "$artefacts/wine-dialog-windows-audio-picked.png" 2> /dev/null
        press Escape "$dialog"
        wait_gone "Audio / MIDI Settings" || fail "Escape did not close the dialog"
        wait_until 10 grep -q 'deviceType="Windows Audio"' "$settings_file" \
            || fail "the dialog's choice was not saved: $(cat "$settings_file")"
        chosen=$(grep -A 2 '<DEVICESETUP' "$settings_file")
        grep -q 'audioOutputDeviceName="Null Output"' <<< "$chosen" || fail "the dialog's output was not saved: $chosen"
        press alt+F4 "$id"
        wait_exit

        start_app "$TOLVANE_WIN_DIST/$app_name.exe" "-all,trace+dsound"
        id=$(wait_window "$editor_title") || fail "no window titled \"$editor_title\" at the second start"
        wait_until 20 tolvane_pulse_playing "Tolvane Editor" || fail "nothing plays into the server at the second start"
        hold_key_until_heard "$id" 15 "the dialog's choice"
        xdotool mouseup 1
        mixed=$(grep -c IDirectSoundBufferImpl_Lock "$work/app.log")
        [ "$mixed" = 0 ] || fail "DirectSound plays ($mixed buffer writes), not the chosen Windows Audio"
        echo "the dialog's Windows Audio reopened, a key heard: $(tr '\n' ' ' <<< "$level")"
        press alt+F4 "$id"
        wait_exit
        [ "$(grep -A 2 '<DEVICESETUP' "$settings_file")" = "$chosen" ] \
            || fail "the saved choice changed: $chosen -> $(cat "$settings_file")"
        ;;

    minihost_extension_through_the_windows_calling_convention)
        # The probe module as the plug-in: the handshake, both call-backs crossing from the
        # module into the program, and the plug-in's colours on the dialog.
        : "${TOLVANE_MINIHOST_PROBE:?}"
        mkdir -p "$work/probe" "$settings_dir"
        cp "$TOLVANE_WIN_DIST/$app_name.exe" "$work/probe/"
        cp "$TOLVANE_MINIHOST_PROBE" "$work/probe/$app_name.dll"
        write_direct_sound_settings
        log="$work/probe.log" commands="$work/probe.commands"
        : > "$log"; : > "$commands"
        TOLVANE_PROBE_LOG=$(windows_path "$log") TOLVANE_PROBE_COMMANDS=$(windows_path "$commands") \
        TOLVANE_PROBE_COLOURS=00f0e0d0,00c04020,00204060 TOLVANE_PROBE_SIZE_MODE=0 \
            start_app "$work/probe/$app_name.exe"
        id=$(wait_window "Mini-Host Probe") || fail "no window titled \"Mini-Host Probe\" appeared"
        functions=$(xprop -id "$id" _MOTIF_WM_HINTS | awk -F'[=,] *' '{ print $3 }')
        (( (functions & 0x10) != 0 )) || fail "size mode 0 left the window without maximise ($functions)"
        wait_line "$log" processing 30 || fail "the probe never processed audio: $(cat "$log")"

        echo "tempo 140" >> "$commands"
        deadline=$((SECONDS + 20))
        until grep -q '^after ' "$log"; do
            [ $SECONDS -lt $deadline ] || fail "no play head logged after the tempo: $(cat "$log")"
            sleep 0.1
        done
        before=$(sed -n 's/^before //p' "$log") after=$(sed -n 's/^after //p' "$log")
        [[ "$after" == "tempo=140.000 "* && "${before#* }" = "${after#* }" ]] \
            || fail "the tempo call-back did not give 140 alone: '$before' -> '$after'"

        echo settings >> "$commands"
        dialog=$(wait_window "Audio / MIDI Settings" 20) || fail "the settings call-back opened no dialog: $(cat "$log")"
        sleep 0.5
        import -window root "$artefacts/wine-settings-dialog-from-the-plugin.png" 2> /dev/null
        grep -qxF "settings: returned" "$log" && fail "the call-back returned while the dialog was open"
        press Escape "$dialog"
        wait_line "$log" "settings: returned" 20 || fail "the call-back did not return after Escape: $(cat "$log")"
        grep -q 'name="audioDeviceState"' "$settings_file" || fail "no device state saved: $(cat "$settings_file")"
        press alt+F4 "$id"
        wait_exit
        ;;

    midi_from_a_fake_device_reaches_the_plugin)
        # The fake sequencer of the Linux build, preloaded into Wine: WinMM goes to Wine's
        # ALSA driver, which reads its devices once when it loads, so the controller is there
        # before the program starts, under the name Wine gives it ("CLIENT - PORT"). The saved
        # state names it with an identifier it does not have; it is found by name.
        : "${TOLVANE_MINIHOST_PROBE:?}"
        if [ ! -f "${TOLVANE_FAKESEQ_LIB:-}" ] || [ ! -x "${TOLVANE_FAKESEQ:-}" ]; then
            echo "SKIP [$case_name]: no fake sequencer at '${TOLVANE_FAKESEQ_LIB:-}' (build the Linux tests first)"
            exit 77
        fi
        export TOLVANE_FAKESEQ_DIR="$work/sequencer"
        "$TOLVANE_FAKESEQ" add "Tolvane WX" > /dev/null || fail "fakeseq add failed"
        mkdir -p "$work/probe" "$settings_dir"
        cp "$TOLVANE_WIN_DIST/$app_name.exe" "$work/probe/"
        cp "$TOLVANE_MINIHOST_PROBE" "$work/probe/$app_name.dll"
        write_direct_sound_settings
        sed -i 's|audioDeviceRate="44100.0"/>|audioDeviceRate="44100.0"><MIDIINPUT name="Tolvane WX - Tolvane WX" identifier="gone"/></DEVICESETUP>|' "$settings_file"
        log="$work/probe.log" commands="$work/probe.commands"
        : > "$log"; : > "$commands"
        TOLVANE_PROBE_LOG=$(windows_path "$log") TOLVANE_PROBE_COMMANDS=$(windows_path "$commands") TOLVANE_PROBE_MIDI=1 \
        LD_PRELOAD="$TOLVANE_FAKESEQ_LIB" start_app "$work/probe/$app_name.exe"
        id=$(wait_window "Mini-Host Probe") || fail "no window titled \"Mini-Host Probe\" appeared"
        wait_line "$log" processing 30 || fail "the probe never processed audio: $(cat "$log")"
        deadline=$((SECONDS + 10))
        until grep -qxF "midi 90 3c 64" "$log"; do
            [ $SECONDS -lt $deadline ] || fail "no note reached the plug-in: $(cat "$log"; "$TOLVANE_FAKESEQ" list)"
            "$TOLVANE_FAKESEQ" send "Tolvane WX" 90 3c 64 > /dev/null
            sleep 0.2
        done
        "$TOLVANE_FAKESEQ" send "Tolvane WX" f07f7f0602f7 > /dev/null
        wait_line "$log" "sysex f0 7f 7f 06 02 f7" 10 || fail "MMC PLAY did not reach the plug-in: $(cat "$log")"
        grep -q 'not implemented' "$work/app.log" && fail "Wine made a call that the fake sequencer lacks"
        press alt+F4 "$id"
        # Wine 8's MIDI notify thread (winealsa_midi_notify), parked in its condition wait,
        # crashes in glibc's forced unwind when the process ends: whenever Wine's ALSA MIDI has
        # a sequencer, the process ends with SIGSEGV after the program has finished. What the
        # program does at its end is checked instead: the window position stored.
        deadline=$((SECONDS + 20))
        while kill -0 "$app_pid" 2> /dev/null; do
            [ $SECONDS -lt $deadline ] || fail "the program did not end within 20 s"
            sleep 0.1
        done
        wait "$app_pid"
        code=$?
        app_pid=""
        [ "$code" = 0 ] || [ "$code" = 139 ] || fail "the program ended with exit code $code"
        grep -q 'name="mainWindowPos"' "$settings_file" || fail "the program did not finish its shut-down (exit code $code)"
        [ "$code" = 139 ] && echo "note: the process ended with SIGSEGV after the program's shut-down (Wine's MIDI notify thread)"
        ;;

    checker_passes_the_windows_reference_plugin)
        # tolvane-check.exe on the Windows reference plug-in: the silent device, the handshake
        # through the Windows calling convention and the editor in a window of Wine's.
        cd "$TOLVANE_WIN_DIST" || fail "no folder $TOLVANE_WIN_DIST"
        WINEDEBUG=-all wine "$TOLVANE_WIN_DIST/tolvane-check.exe" "$app_name.dll" > "$work/report.txt" 2> "$work/app.log"
        code=$?
        cd "$work" || true
        tr -d '\r' < "$work/report.txt" > "$work/app.log"
        [ "$code" = 0 ] || fail "tolvane-check.exe ended with exit status $code"
        grep -q '^Summary: [0-9]* PASS, 0 WARN, 0 FAIL' "$work/app.log" || fail "not every check passed"
        for name in editor editor-window capability colours blocks play-head teardown; do
            grep -q "^PASS  $name " "$work/app.log" || fail "no passed check $name"
        done
        ;;

    framework_editor_drawn_once_at_each_display_scale)
        # The reference plug-in (built with the framework, told the scale by the host) at
        # 100, 125, 150 and 200 %: its editor fills the window once at that scale, its button
        # opens the dialog where the user sees it, and the dialog is scaled too.
        on_display_of_its_own
        write_direct_sound_settings
        for percent in 100 125 150 200 200; do
            scale_display $percent
            start_app "$TOLVANE_WIN_DIST/$app_name.exe"
            id=$(wait_window "$editor_title") || fail "no window titled \"$editor_title\" at $percent %"
            wait_content "$id" $((640 * percent / 100)) $((420 * percent / 100))
            read -r x y _ _ <<< "$(geometry "$id")"
            if [ "$percent" = "${last_percent:-}" ]; then
                [ "$x $y" = "$last_place" ] || fail "at $percent % the window came back at $x,$y, not at $last_place"
            else
                sleep 1
                window_picture "$id" "$artefacts/wine-editor-at-$percent.png"
                looks_like "$artefacts/wine-editor-at-$percent.png" "$artefacts/wine-editor-at-100.png"
                xdotool mousemove $((x + 472 * percent / 100)) $((y + 187 * percent / 100)) click 1
                dialog=$(wait_window "Audio / MIDI Settings" 20) || fail "the editor's button opened no dialog at $percent %"
                wait_content "$dialog" $((500 * percent / 100)) $((550 * percent / 100))
                sleep 0.5
                window_picture "$dialog" "$artefacts/wine-dialog-at-$percent.png"
                press Escape "$dialog"
            fi
            last_percent=$percent last_place="$x $y"
            press alt+F4 "$id"
            wait_exit
        done
        ;;

    plain_editor_at_each_display_scale)
        # An editor that knows nothing of scaling (the probe's child window): shown whole at
        # its own size in pixels, the window fitting it, at every scale; when it changes its
        # size, the window follows; a click lands where it is made.
        : "${TOLVANE_MINIHOST_PROBE:?}"
        on_display_of_its_own
        mkdir -p "$work/probe"
        cp "$TOLVANE_WIN_DIST/$app_name.exe" "$work/probe/"
        cp "$TOLVANE_MINIHOST_PROBE" "$work/probe/$app_name.dll"
        write_direct_sound_settings
        log="$work/probe.log" commands="$work/probe.commands"
        for percent in 100 150 200; do
            : > "$log"; : > "$commands"
            scale_display $percent
            TOLVANE_PROBE_LOG=$(windows_path "$log") TOLVANE_PROBE_COMMANDS=$(windows_path "$commands") \
            TOLVANE_PROBE_EDITOR=400x300 start_app "$work/probe/$app_name.exe"
            id=$(wait_window "Mini-Host Probe") || fail "no probe window at $percent %"
            wait_content "$id" 400 300
            sleep 0.5
            window_picture "$id" "$artefacts/wine-plain-editor-at-$percent.png"
            looks_like "$artefacts/wine-plain-editor-at-$percent.png" "$artefacts/wine-plain-editor-at-100.png"
            read -r x y _ _ <<< "$(geometry "$id")"
            xdotool mousemove $((x + 300)) $((y + 250)) click 1
            wait_line "$log" "click 300 250" 10 || fail "the click did not land at 300,250 at $percent %: $(cat "$log")"
            echo "resize 500x200" >> "$commands"
            wait_content "$id" 500 200
            sleep 0.5
            window_picture "$id" "$artefacts/wine-plain-editor-resized-at-$percent.png"
            looks_like "$artefacts/wine-plain-editor-resized-at-$percent.png" "$artefacts/wine-plain-editor-at-100.png"
            press alt+F4 "$id"
            wait_exit
        done
        ;;

    missing_module_shows_message_box_and_exits_after_ok|renamed_executable_looks_for_its_own_module)
        mkdir -p "$work/alone"
        if [ "$case_name" = renamed_executable_looks_for_its_own_module ]; then
            exe="$work/alone/Other.exe"
            # The module under the old name does not count.
            cp "$TOLVANE_WIN_DIST/$app_name.dll" "$work/alone/"
        else
            exe="$work/alone/$app_name.exe"
        fi
        cp "$TOLVANE_WIN_DIST/$app_name.exe" "$exe"
        expected="${exe%.exe}.dll"
        start_app "$exe" "-all,trace+msgbox"
        id=$(wait_window "Plugin file not found") || fail "no \"Plugin file not found\" message box appeared"
        sleep 0.3
        grep -qF "MSGBOX_OnInit L\"$(traced_windows_path "$expected")\"" "$work/app.log" \
            || fail "the message box does not name $expected: $(grep MSGBOX "$work/app.log")"
        for title in "$editor_title" "$app_name"; do
            [ -z "$(xdotool search --onlyvisible --name "^${title}\$" 2> /dev/null)" ] \
                || fail "a window titled \"$title\" is visible behind the message box"
        done
        kill -0 "$app_pid" 2> /dev/null || fail "the program did not wait for OK"
        press Return "$id"
        wait_exit 15
        ;;

    editor_is_told_the_display_scale_before_it_opens)
        # A plug-in that takes the host's content scale hears the display's scale, and only
        # that, before its editor opens; the window fits the editor at once.
        : "${TOLVANE_MINIHOST_PROBE:?}"
        on_display_of_its_own
        mkdir -p "$work/probe"
        cp "$TOLVANE_WIN_DIST/$app_name.exe" "$work/probe/"
        cp "$TOLVANE_MINIHOST_PROBE" "$work/probe/$app_name.dll"
        write_direct_sound_settings
        log="$work/probe.log"
        for percent in 150 200; do
            : > "$log"
            scale_display $percent
            TOLVANE_PROBE_LOG=$(windows_path "$log") TOLVANE_PROBE_TAKES_SCALE=1 TOLVANE_PROBE_EDITOR=400x300 \
                start_app "$work/probe/$app_name.exe"
            id=$(wait_window "Mini-Host Probe") || fail "no probe window at $percent %"
            wait_content "$id" 400 300
            expected=$(printf 'content scale %d.%03d' $((percent / 100)) $((percent % 100 * 10)))
            first=$(grep -m 1 -e '^content scale' -e '^editor open' "$log")
            [ "$first" = "$expected" ] || fail "at $percent % the editor heard '$first' first, not '$expected': $(cat "$log")"
            others=$(grep '^content scale' "$log" | grep -vxF "$expected")
            [ -z "$others" ] || fail "at $percent % the editor was also told: $others"
            press alt+F4 "$id"
            wait_exit
        done
        ;;

    garbage_module_shows_message_box_and_exits_after_ok)
        mkdir -p "$work/garbage"
        cp "$TOLVANE_WIN_DIST/$app_name.exe" "$work/garbage/"
        echo "not a module" > "$work/garbage/$app_name.dll"
        start_app "$work/garbage/$app_name.exe" "-all,trace+msgbox"
        id=$(wait_window "Plugin could not be loaded") || fail "no \"Plugin could not be loaded\" message box appeared"
        sleep 0.3
        grep -qF "MSGBOX_OnInit L\"$(traced_windows_path "$work/garbage/$app_name.dll")\\n" "$work/app.log" \
            || fail "the message box does not start with the module's path: $(grep MSGBOX "$work/app.log")"
        [ -z "$(xdotool search --onlyvisible --name "^${app_name}\$" 2> /dev/null)" ] \
            || fail "the main window is visible behind the message box"
        press Return "$id"
        wait_exit 15
        ;;

    dll_search_path_skips_current_directory)
        : "${TOLVANE_DLL_CHECK:?}" "${TOLVANE_PROBE_DLL:?}"
        mkdir -p "$work/program" "$work/current"
        cp "$TOLVANE_DLL_CHECK" "$work/program/check.exe"
        cp "$TOLVANE_PROBE_DLL" "$work/program/tolvane-beside.dll"
        cp "$TOLVANE_PROBE_DLL" "$work/current/tolvane-planted.dll"
        cd "$work/current" || fail "no folder $work/current"
        # The control: without the restriction the planted DLL is found, so the check below
        # can see the difference.
        wine "$work/program/check.exe" unrestricted > "$work/app.log" 2>&1 \
            || fail "the control could not load a DLL from the current directory: $(cat "$work/app.log")"
        wine "$work/program/check.exe" restricted "$(windows_path "$work/current/tolvane-planted.dll")" \
            > "$work/app.log" 2>&1 \
            || fail "$(cat "$work/app.log")"
        cd "$work" || true
        ;;

    installer_installs_upgrades_and_uninstalls)
        # The installer of the tested build: a silent install per machine, the program
        # started through its shortcut, the Apps entry, a newer version over it (refused
        # while the program runs) keeping one entry, and a silent uninstall that leaves the
        # user's settings alone.
        source "$here/../../scripts/lib/version.sh"
        version=$(tolvane_version) newer=$(( $(tolvane_version | cut -d. -f1) + 1 )).0
        make_installer --module "$TOLVANE_WIN_DIST/$app_name.dll"
        make_installer --module "$TOLVANE_WIN_DIST/$app_name.dll" --version "$newer"
        forget_installation "$app_name"
        install_silently "$work/packages/TolvaneEditor-$version-windows-x64-setup.exe"
        installed="$program_files/$app_name"
        for f in "$app_name.exe" "$app_name.dll" tolvane-check.exe; do
            cmp -s "$installed/$f" "$TOLVANE_WIN_DIST/$f" || fail "$installed/$f is not the build's $f"
        done
        start_from_shortcut "$app_name"
        id=$(wait_window "$editor_title") || fail "the installed program showed no window titled \"$editor_title\""
        # Its files are in use: the newer version stops and changes nothing.
        wine "$work/packages/TolvaneEditor-$newer-windows-x64-setup.exe" /S > "$work/setup.log" 2>&1
        code=$?
        [ $code = 2 ] || fail "installing over the running program ended with exit code $code, not 2"
        press alt+F4 "$id"
        wait_exit
        [ -f "$settings_file" ] || fail "the installed program stored no settings"

        where='C:\Program Files\Tolvane Editor'
        for pair in "DisplayName=$app_name" "DisplayVersion=$version" Publisher=Tolvane \
                    "DisplayIcon=$where\\$app_name.exe,0" "UninstallString=\"$where\\Uninstall.exe\"" \
                    NoModify=0x1 NoRepair=0x1; do
            [ "$(apps_value "$app_name" "${pair%%=*}")" = "${pair#*=}" ] \
                || fail "the Apps entry's ${pair%%=*} is \"$(apps_value "$app_name" "${pair%%=*}")\", not \"${pair#*=}\""
        done
        ! wine reg query "$apps_key\\$app_name" /reg:32 > /dev/null 2>&1 || fail "the Apps entry is in the 32-bit view"
        (( $(apps_value "$app_name" EstimatedSize) > 10000 )) || fail "the estimated size is $(apps_value "$app_name" EstimatedSize) KB"

        echo "not a module" > "$installed/$app_name.dll"
        install_silently "$work/packages/TolvaneEditor-$newer-windows-x64-setup.exe"
        cmp -s "$installed/$app_name.dll" "$TOLVANE_WIN_DIST/$app_name.dll" || fail "the newer version did not replace the module"
        [ "$(apps_value "$app_name" DisplayVersion)" = "$newer" ] || fail "Apps shows version $(apps_value "$app_name" DisplayVersion), not $newer"
        entries=$(wine reg query "$apps_key" /s 2> /dev/null | tr -d '\r' | grep -c "DisplayName *REG_SZ *$app_name\$")
        [ "$entries" = 1 ] || fail "Apps holds $entries entries for $app_name"

        uninstall_silently "$app_name"
        [ -f "$settings_file" ] || fail "the uninstaller removed the settings file"
        ;;

    installer_for_a_makers_module)
        # A maker's product: the probe module packed as "Probe Instrument", installed as
        # "Probe Instrument.exe" beside "Probe Instrument.dll" and starting with that module.
        : "${TOLVANE_MINIHOST_PROBE:?}"
        product="Probe Instrument"
        make_installer --module "$TOLVANE_MINIHOST_PROBE" --name "$product" --version 2.1
        [ "$(unzip -Z1 "$work/packages/ProbeInstrument-2.1-windows-x64.zip" | LC_ALL=C sort | tr '\n' '|')" \
            = "$product/|$product/Install.txt|$product/Licence.txt|$product/$product.dll|$product/$product.exe|" ] \
            || fail "the zip holds $(unzip -Z1 "$work/packages/ProbeInstrument-2.1-windows-x64.zip")"
        # Binaries under the GPL: the licence says so and names the source written beside them.
        unzip -p "$work/packages/ProbeInstrument-2.1-windows-x64.zip" "$product/Licence.txt" \
            | tr -d '\r' > "$work/licence.txt"
        grep -q "Version 3, 29 June 2007" "$work/licence.txt" && grep -q "TolvaneEditor-2.1-source.tar.gz" "$work/licence.txt" \
            || fail "the zip's Licence.txt does not give the GPL and the source archive's name"
        tar -xzOf "$work/packages/TolvaneEditor-2.1-source.tar.gz" TolvaneEditor-2.1-source/FRAMEWORK \
            | grep -q "juce-modules-source 7.0.5" || fail "no source archive naming the framework beside the packages"
        forget_installation "$product"
        install_silently "$work/packages/ProbeInstrument-2.1-windows-x64-setup.exe"
        cmp -s "$program_files/$product/$product.dll" "$TOLVANE_MINIHOST_PROBE" || fail "\"$product.dll\" is not the maker's module"
        start_from_shortcut "$product"
        id=$(wait_window "Mini-Host Probe") || fail "\"$product.exe\" did not start with the maker's module"
        press alt+F4 "$id"
        wait_exit
        [ "$(apps_value "$product" DisplayName) $(apps_value "$product" DisplayVersion)" = "$product 2.1" ] \
            || fail "the Apps entry shows \"$(apps_value "$product" DisplayName) $(apps_value "$product" DisplayVersion)\""
        uninstall_silently "$product"
        ;;

    *)
        echo "unknown case: $case_name" >&2
        exit 2
        ;;
esac

echo "PASS [$case_name]"
