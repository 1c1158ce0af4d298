# shellcheck shell=bash
# A private PulseAudio server with a null sink: the sound server of a Linux desktop (ALSA's
# "default" device reaches it through libasound2-plugins) and of Wine's pulse driver, on a
# machine without a sound card. Nothing of it is shared with the system: its socket, state and
# cookie live in the folder given. Source this file, then:
#   tolvane_start_pulse DIR          starts a server (sink "test", 48000 Hz, stereo) whose
#                                    socket is DIR/pulse.sock; exports PULSE_SERVER for it
#   tolvane_stop_pulse               stops it (a no-op when none runs)
#   tolvane_pulse_sink load|unload   adds or removes the sink "test", as a device plugged
#                                    in or out
#   tolvane_pulse_level SECONDS      records the sink's monitor meanwhile and prints
#                                    "peak LEFT RIGHT" and "rms LEFT RIGHT" (full scale 1)
#   tolvane_pulse_playing NAME       whether a client whose application name contains NAME
#                                    has a stream on the sink
#   tolvane_alsa_without_plugins DIR exports ALSA_CONFIG_PATH for a configuration in DIR that
#                                    shows ALSA as a machine without libasound2-plugins does
#   tolvane_pulse_client_files DIR   keeps what PulseAudio clients write (a runtime folder, a
#                                    cookie) in DIR; without XDG_RUNTIME_DIR each client,
#                                    ALSA's pulse plug-in in every program included, leaves a
#                                    /tmp/pulse-* folder and ~/.config/pulse behind

tolvane_pulse_pid=""

tolvane_start_pulse() {
    local dir=$1 tries=0
    mkdir -p "$dir/state"
    # Its own home and runtime folder keep the cookie and the runtime links out of the user's;
    # without DISPLAY it does not start a D-Bus daemon through X11.
    env -u DISPLAY HOME="$dir/state" XDG_CONFIG_HOME="$dir/state" XDG_RUNTIME_DIR="$dir/state" \
        DBUS_SESSION_BUS_ADDRESS=disabled: \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disallow-exit \
        -L "module-null-sink sink_name=test rate=48000" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/pulse.sock" \
        > "$dir/pulseaudio.log" 2>&1 &
    tolvane_pulse_pid=$!
    export PULSE_SERVER="unix:$dir/pulse.sock"
    tolvane_pulse_client_files "$dir/state"
    until pactl info > /dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$tolvane_pulse_pid" 2> /dev/null; then
            echo "The PulseAudio server did not start; its log:" >&2
            cat "$dir/pulseaudio.log" >&2
            return 1
        fi
        sleep 0.1
    done
}

tolvane_stop_pulse() {
    [ -n "$tolvane_pulse_pid" ] || return 0
    kill "$tolvane_pulse_pid" 2> /dev/null
    wait "$tolvane_pulse_pid" 2> /dev/null
    tolvane_pulse_pid=""
    return 0
}

tolvane_pulse_sink() {
    local module
    case $1 in
        load) pactl load-module module-null-sink sink_name=test rate=48000 > /dev/null ;;
        unload)
            module=$(pactl list short modules | awk '$2 == "module-null-sink" && /sink_name=test/ { print $1 }')
            [ -n "$module" ] && pactl unload-module "$module" ;;
    esac
}

tolvane_pulse_level() {
    local raw recorder bytes deadline=$((SECONDS + 10))
    raw=$(mktemp)
    bytes=$(awk -v s="$1" 'BEGIN { printf "%d", s * 48000 * 8 }')
    parec -d test.monitor --raw --format=float32le --rate=48000 --channels=2 > "$raw" 2> /dev/null &
    recorder=$!
    # SECONDS of sound from the recording's start; it hands its samples over in large chunks.
    while [ "$(stat -c %s "$raw")" -lt "$bytes" ] && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
    kill -INT "$recorder" 2> /dev/null
    wait "$recorder" 2> /dev/null
    head -c "$bytes" "$raw" \
        | od -An -v -f -w8 | awk '
        { for (c = 1; c <= 2; ++c) { v = $c < 0 ? -$c : $c; if (v > peak[c]) peak[c] = v; sum[c] += $c * $c } n++ }
        END { printf "peak %.6f %.6f\nrms %.6f %.6f\n", peak[1] + 0, peak[2] + 0,
                     n ? sqrt(sum[1] / n) : 0, n ? sqrt(sum[2] / n) : 0 }'
    rm -f "$raw"
}

tolvane_pulse_playing() {
    pactl list sink-inputs 2> /dev/null | grep -q "application.name = \".*$1.*\""
}

tolvane_alsa_without_plugins() {
    # The system's configuration less its conf.d folders: no "jack" or "pulse" device, and no
    # "default" routed to a sound server. With them, ALSA lists devices before the framework's
    # JACK type, and its default device is not the JACK server's.
    sed '/conf\.d"$/d' /usr/share/alsa/alsa.conf > "$1/alsa.conf"
    export ALSA_CONFIG_PATH="$1/alsa.conf"
}

tolvane_pulse_client_files() {
    mkdir -p "$1/runtime"
    export PULSE_RUNTIME_PATH="$1/runtime" PULSE_COOKIE="$1/cookie"
}
