#!/usr/bin/env bash
# End-to-end checks of MIDI devices: the real application with the fake sequencer preloaded
# (tests/fakeseq), under a display with a window manager and a JACK server; devices are
# plugged in, pulled out and played with the fakeseq tool, and the probe module beside the
# application logs the MIDI and play heads it is given.
# Usage: midi_e2e.sh CASE   (environment: DISPLAY, TOLVANE_APP, TOLVANE_PROBE_MODULE,
#                            TOLVANE_FAKESEQ_LIB, TOLVANE_FAKESEQ, JACK_DEFAULT_SERVER, optional
#                            TOLVANE_E2E_ARTEFACTS and TOLVANE_REQUIRE_JACK=1)
set -uo pipefail

case_name=${1:?usage: midi_e2e.sh CASE}
source "$(dirname "$0")/common.sh"
: "${DISPLAY:?the end-to-end tests need a display with a window manager (scripts/test.sh starts one)}"
: "${TOLVANE_APP:?TOLVANE_APP must name the built application}"
: "${TOLVANE_PROBE_MODULE:?TOLVANE_PROBE_MODULE must name the probe module}"
: "${TOLVANE_FAKESEQ_LIB:?TOLVANE_FAKESEQ_LIB must name libtolvane-fakeseq.so}"
: "${TOLVANE_FAKESEQ:?TOLVANE_FAKESEQ must name the fakeseq tool}"

probe_title="Mini-Host Probe"
dialog_title="Audio / MIDI Settings"

work=$(mktemp -d)
export XDG_CONFIG_HOME="$work/config" TOLVANE_FAKESEQ_DIR="$work/sequencer"
settings_file="$XDG_CONFIG_HOME/Tolvane Editor/Tolvane Editor.settings"
artefacts=${TOLVANE_E2E_ARTEFACTS:-$work/artefacts}
mkdir -p "$artefacts" "$work/bin"
app_pid=""

app="$work/bin/Tolvane Editor"
cp "$TOLVANE_APP" "$app"
cp "$TOLVANE_PROBE_MODULE" "$app.so"
export TOLVANE_PROBE_LOG="$work/probe.log" TOLVANE_PROBE_COMMANDS="$work/probe.commands" TOLVANE_PROBE_MIDI=1

trap cleanup EXIT

describe_failure() {
    sed 's/^/    probe: /' "$TOLVANE_PROBE_LOG" | tail -n 40 >&2
    "$TOLVANE_FAKESEQ" list | sed 's/^/    sequencer: /' >&2
}

# device add|remove|send ARGS...: the fakeseq tool on this case's sequencer.
device() {
    "$TOLVANE_FAKESEQ" "$@" > /dev/null || fail "fakeseq $1 ${2:-} failed"
}

# settings_enabling NAME...: a settings file whose device state chooses the JACK server and
# enables the MIDI inputs named, under identifiers that no device has.
settings_enabling() {
    local inputs="" name
    for name in "$@"; do
        inputs+="&lt;MIDIINPUT name=&quot;$name&quot; identifier=&quot;99-0&quot;/&gt;"
    done
    mkdir -p "$(dirname "$settings_file")"
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES>\n  <VALUE name="audioDeviceState" val="%s"/>\n</PROPERTIES>\n' \
        "&lt;DEVICESETUP deviceType=&quot;JACK&quot; audioOutputDeviceName=&quot;system&quot; audioInputDeviceName=&quot;system&quot;&gt;$inputs&lt;/DEVICESETUP&gt;" \
        > "$settings_file"
}

# start_app: the application on the fake sequencer (start_probe waits for it).
start_app() {
    LD_PRELOAD="$TOLVANE_FAKESEQ_LIB" "$app" > "$work/app.log" 2>&1 &
    app_pid=$!
}

# play_head: asks the probe for the next block's play head; prints "PLAYING SAMPLE-POSITION".
play_head() {
    local before
    before=$(grep -c '^time ' "$TOLVANE_PROBE_LOG")
    tell time
    local deadline=$((SECONDS + 10))
    until [ "$(grep -c '^time ' "$TOLVANE_PROBE_LOG")" -gt "$before" ]; do
        [ $SECONDS -lt $deadline ] || fail "the probe logged no play head"
        sleep 0.05
    done
    grep '^time ' "$TOLVANE_PROBE_LOG" | tail -n 1 | sed 's/time playing=\([01]\) samplePos=\([0-9]*\)/\1 \2/'
}

# sysex_hex LENGTH: a system-exclusive message of LENGTH bytes (F0 7D, data, F7) in hex, and
# sysex_line LENGTH: the line the probe logs for it.
sysex_hex() {
    awk -v n="$1" 'BEGIN { printf "f07d"; for (i = 0; i < n - 3; ++i) printf "%02x", i % 128; print "f7" }'
}
sysex_line() {
    awk -v n="$1" 'BEGIN { s = 240 + 125 + 247; for (i = 0; i < n - 3; ++i) s += i % 128; printf "sysex %d sum=%x\n", n, s }'
}

# heard NOTE-HEX: whether the probe was given a note on of this key.
heard() {
    grep -qxF "midi 90 $1 64" "$TOLVANE_PROBE_LOG"
}

# heard_within SECONDS DEVICE NOTE-HEX: plays the note from the device until the probe has it;
# prints how long that took, in seconds.
heard_within() {
    local start now
    start=$(date +%s.%N)
    until heard "$3"; do
        now=$(date +%s.%N)
        awk -v a="$now" -v b="$start" -v l="$1" 'BEGIN { exit !(a - b <= l) }' \
            || fail "'$2' was not heard within $1 s"
        "$TOLVANE_FAKESEQ" send "$2" 90 "$3" 64 > /dev/null
        sleep 0.05
    done
    awk -v a="$(date +%s.%N)" -v b="$start" 'BEGIN { printf "%.2f", a - b }'
}

# client_of NAME: the client number that the sequencer gave the device.
client_of() {
    "$TOLVANE_FAKESEQ" list | sed -n "s/^client \([0-9]*\) '$1' device\$/\1/p"
}

case "$case_name" in

enabled_input_plays_drives_the_transport_and_takes_sysex_while_others_stay_silent)
    # The saved state names the controller; the second device is not enabled.
    need_jack
    device add "Tolvane WX"
    device add "Other Keys"
    settings_enabling "Tolvane WX"
    start_probe
    # The device that is not enabled plays first: once the controller's later note is there,
    # the other's had its chance.
    device send "Other Keys" 90 3d 64
    device send "Tolvane WX" 90 3c 64
    wait_log "midi 90 3c 64" || fail "the enabled controller's note never arrived"
    heard 3d && fail "a device that is not enabled was heard"

    read -r playing position <<< "$(play_head)"
    [ "$playing $position" = "0 0" ] || fail "the transport ran before PLAY ($playing $position)"
    device send "Tolvane WX" f07f7f0602f7
    wait_log "sysex f0 7f 7f 06 02 f7" || fail "MMC PLAY did not reach the plug-in"
    read -r playing first <<< "$(play_head)"
    read -r playing second <<< "$(play_head)"
    [ "$playing" = 1 ] && [ "$second" -gt "$first" ] || fail "PLAY did not move the play head ($first, $second)"
    device send "Tolvane WX" f07f7f0601f7
    wait_log "sysex f0 7f 7f 06 01 f7" || fail "MMC STOP did not reach the plug-in"
    read -r playing position <<< "$(play_head)"
    [ "$playing $position" = "0 0" ] || fail "STOP did not stop and rewind the play head ($playing $position)"

    sysex_hex 4096 | "$TOLVANE_FAKESEQ" send "Tolvane WX" - > /dev/null
    wait_log "$(sysex_line 4096)" || fail "the 4 KiB system-exclusive message did not arrive whole"
    echo "note, MMC PLAY (play head $first -> $second) and STOP, 4 KiB sysex: all arrived; the other device was not heard"
    quit_app
    ;;

controller_plugged_in_later_or_again_is_heard_within_2s_and_stays_saved)
    # Enabled in the saved state but absent at start; plugged in, pulled out (a settings
    # dialog is opened and closed meanwhile) and plugged in again under another number.
    need_jack
    settings_enabling "Tolvane WX"
    cp "$settings_file" "$work/saved"
    start_probe
    device add "Tolvane WX"
    first_client=$(client_of "Tolvane WX")
    took=$(heard_within 2 "Tolvane WX" 3c) || exit 1
    cmp -s "$settings_file" "$work/saved" || fail "the settings were written when the controller came"

    device remove "Tolvane WX"
    dialog=$(open_dialog settings)
    close_dialog "$dialog"
    grep -qE 'MIDIINPUT name=("|&quot;)Tolvane WX' "$settings_file" \
        || fail "a dialog closed while the controller was away dropped it: $(cat "$settings_file")"
    cp "$settings_file" "$work/saved"
    device add "Tolvane WX"
    again_client=$(client_of "Tolvane WX")
    [ "$again_client" != "$first_client" ] || fail "the controller came back under the same client number"
    took_again=$(heard_within 2 "Tolvane WX" 3e) || exit 1
    cmp -s "$settings_file" "$work/saved" || fail "the settings were written when the controller came back"
    quit_app
    grep -qE 'MIDIINPUT name=("|&quot;)Tolvane WX' "$settings_file" || fail "the settings no longer name the controller"
    echo "heard ${took} s after it was plugged in (client $first_client), ${took_again} s after it came back (client $again_client)"
    ;;

*)
    echo "unknown case $case_name" >&2
    exit 2
    ;;
esac
