#!/usr/bin/env bash
# Builds and runs the benchmarks, in a build of their own (build-bench, optimised like the
# application). Not tests: nothing here passes or fails on a figure.
#
#   scripts/bench.sh [player] [ARGUMENTS...]
#       The per-block cost of the transport player against the framework's plain player
#       (Google Benchmark; ARGUMENTS go to it, e.g. --benchmark_repetitions=5). The default.
#
#   scripts/bench.sh startup [RUNS]
#       The application with the reference plug-in beside it against the framework's own
#       standalone wrapper of the same plug-in (TolvaneReference_Standalone), side by side:
#       RUNS runs of each (default 5), alternating, each with a fresh, empty home folder, on
#       a private display (Xvfb + openbox) and a JACK dummy server of its own (48000 Hz, 256
#       samples, 2 in, 2 out) that both open as their default device. Prints medians and
#       ratios (application / wrapper) of:
#       - start to first visible window: from just before the program is executed until a
#         top-level window with its process id is viewable (bench/tools/FirstWindow.cpp: it
#         looks when a window is mapped on the root and every 10 ms besides);
#       - process CPU, % of one core: utime + stime from /proc/PID/stat over 20 s, measured
#         once the program has played through the server for 2 s;
#       - own resident memory: RssAnon + RssFile from /proc/PID/status at the end of those
#         20 s (JACK's shared segment, in RssShmem, is the server's, not the program's);
#       - wake-ups per second over the same 20 s, from voluntary_ctxt_switches: of the main
#         (message) thread in /proc/PID/status, where an idle program should sleep, and of all
#         its threads (/proc/PID/task/*/status), the audio thread's 187.5 blocks a second
#         among them.
#       TOLVANE_BENCH_HOST names another build of the application to measure (with its
#       plug-in beside it), e.g. main's, to see a change before and after.
#       TOLVANE_BENCH_AUDIO=pulse: a desktop's sound path instead of JACK, ALSA's "default"
#       device through a private PulseAudio server (null sink, 48000 Hz), no JACK server.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=player
case "${1:-}" in
    startup) mode=startup; shift ;;
    player)  shift ;;
esac

bash scripts/install-deps.sh test

cmake -S . -B build-bench -G Ninja -DTOLVANE_BUILD_TESTS=OFF \
      -DTOLVANE_BUILD_BENCHMARKS=ON -DTOLVANE_REFERENCE_STANDALONE=ON

if [ "$mode" = player ]; then
    cmake --build build-bench --target tolvane_benchmarks
    exec build-bench/bench/tolvane_benchmarks "$@"
fi

runs=${1:-5}
cmake --build build-bench --target TolvaneEditor TolvaneReference_VST TolvaneReference_Standalone first-window

source scripts/lib/display.sh
source scripts/lib/jack.sh
source scripts/lib/version.sh
source scripts/lib/pulse.sh

app_name=$(tolvane_app_name)
host=${TOLVANE_BENCH_HOST:-$PWD/build-bench/dist/$app_name}
standalone=$(find "$PWD/build-bench/plugins/reference/TolvaneReference_artefacts" -type f -name "Tolvane Reference" -perm -u+x | head -n 1)
first_window="$PWD/build-bench/bench/first-window"
[ -x "$standalone" ] || { echo "no standalone wrapper was built" >&2; exit 1; }

results=$(mktemp -d)
app_pid=""
trap '[ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null; tolvane_stop_jacks; tolvane_stop_pulse; tolvane_stop_display; rm -rf "$results"' EXIT

tolvane_start_display
export JACK_DEFAULT_SERVER="tolvane-bench-$$"
if [ "${TOLVANE_BENCH_AUDIO:-jack}" = pulse ]; then
    export JACK_NO_START_SERVER=1
    tolvane_start_pulse "$results/pulse"
    audio="the PulseAudio server"
else
    # The JACK server is the default device only where ALSA lists none before it.
    tolvane_alsa_without_plugins "$results"
    tolvane_start_jack "$JACK_DEFAULT_SERVER" 256 2
    audio="'$JACK_DEFAULT_SERVER'"
fi

# cpu_ticks PID: the process's user and system time so far, in clock ticks.
cpu_ticks() {
    # The command name in field 2 may hold spaces: count from the closing parenthesis.
    sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

# own_memory_kib PID: anonymous and file-backed resident memory, without shared memory.
own_memory_kib() {
    awk '/^RssAnon:|^RssFile:/ { sum += $2 } END { print sum }' "/proc/$1/status"
}

# wake_ups PID: voluntary context switches so far, "main-thread all-threads".
wake_ups() {
    local main
    main=$(awk '/^voluntary_ctxt_switches:/ { print $2 }' "/proc/$1/status")
    echo "$main $(cat /proc/"$1"/task/*/status 2> /dev/null | awk '/^voluntary_ctxt_switches:/ { sum += $2 } END { print sum }')"
}

# wait_playing CLIENT: waits (10 s at most) until the client CLIENT plays into the bench's
# server (JACK: feeds its playback ports), i.e. the program opened it as its device.
wait_playing() {
    local deadline=$((SECONDS + 10))
    until if [ -n "$tolvane_pulse_pid" ]; then tolvane_pulse_playing "$1"
          else jack_lsp -c 2>/dev/null | grep -A1 -xF "$1:out_1" | grep -q 'system:playback'; fi; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}

# measure NAME CLIENT PROGRAM: one run; appends "milliseconds cpu-percent memory-MiB
# main-thread-wake-ups all-wake-ups" (the last two a second) to $results/NAME.
measure() {
    local name=$1 client=$2 program=$3 home pid ms
    home=$(mktemp -d)
    read -r pid ms < <(env -u XDG_CONFIG_HOME HOME="$home" "$first_window" 30 "$results/$name.log" "$program") \
        || { echo "$name: no window; its output:" >&2; cat "$results/$name.log" >&2; exit 1; }
    app_pid=$pid
    wait_playing "$client" || { echo "$name does not play through $audio" >&2; exit 1; }
    sleep 2
    local ticks_before ticks_after start end main_before all_before main_after all_after
    ticks_before=$(cpu_ticks "$pid"); start=$(date +%s.%N)
    read -r main_before all_before <<< "$(wake_ups "$pid")"
    sleep 20
    ticks_after=$(cpu_ticks "$pid"); end=$(date +%s.%N)
    read -r main_after all_after <<< "$(wake_ups "$pid")"
    local memory
    memory=$(own_memory_kib "$pid")
    kill "$pid"
    local deadline=$((SECONDS + 10))
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    app_pid=""
    rm -rf "$home"
    awk -v ms="$ms" -v t="$((ticks_after - ticks_before))" -v hz="$(getconf CLK_TCK)" -v s="$start" -v e="$end" \
        -v kib="$memory" -v main=$((main_after - main_before)) -v all=$((all_after - all_before)) \
        'BEGIN { printf "%.1f %.2f %.1f %.1f %.1f\n", ms, 100 * t / hz / (e - s), kib / 1024, main / (e - s), all / (e - s) }' \
        | tee -a "$results/$name" | sed "s/^/$name: /"
}

echo "Load before: $(uptime)"
for ((run = 1; run <= runs; run++)); do
    echo "Run $run of $runs"
    measure host "$app_name" "$host"
    measure standalone "Tolvane Reference" "$standalone"
done
echo "Load after: $(uptime)"

# median FILE COLUMN
median() {
    cut -d' ' -f"$2" "$1" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo
echo "Medians of $runs runs each:"
echo
echo "| | host + reference plug-in | standalone wrapper | ratio |"
echo "|---|---|---|---|"
rows=("process start to first visible window, ms" "process CPU while running, % of one core" "own resident memory (RssAnon + RssFile), MiB"
      "main thread's wake-ups per second" "all threads' wake-ups per second")
for column in 1 2 3 4 5; do
    a=$(median "$results/host" "$column")
    b=$(median "$results/standalone" "$column")
    echo "| ${rows[$((column - 1))]} | $a | $b | $(awk -v a="$a" -v b="$b" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }') |"
done
