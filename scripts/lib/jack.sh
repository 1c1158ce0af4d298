# JACK servers with the dummy back end: real audio devices on machines without a sound card.
# Source this file, then:
#   tolvane_start_jack NAME PERIOD OUTPUTS [INPUTS]   starts server NAME at 48000 Hz
#   tolvane_stop_jacks                                 stops every server started here
# A client reaches server NAME with JACK_DEFAULT_SERVER=NAME in its environment.

tolvane_jack_pids=()

tolvane_start_jack() {
    local name=$1 period=$2 outputs=$3 inputs=${4:-2}
    local log=${TMPDIR:-/tmp}/tolvane-jackd-$name.log
    jackd -n "$name" --no-realtime -d dummy -r 48000 -p "$period" -C "$inputs" -P "$outputs" \
        >"$log" 2>&1 &
    tolvane_jack_pids+=($!)
    if ! jack_wait -s "$name" -w -t 10 >/dev/null 2>&1; then
        echo "JACK server '$name' did not start; its log:" >&2
        cat "$log" >&2
        return 1
    fi
}

tolvane_stop_jacks() {
    local pid
    for pid in "${tolvane_jack_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${tolvane_jack_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    tolvane_jack_pids=()
}
