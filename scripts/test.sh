#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit and window tests, the
# plug-in loading tests, the player's real-time and concurrency tests (the latter again under
# ThreadSanitizer), the device tests on JACK servers with the dummy back end, the end-to-end
# tests of the real application, on a private display with a window manager; again under
# AddressSanitizer + UBSan the unit and plug-in loading tests and the application's start,
# play, quit and settings cases; and each fuzz target over its corpus and a short budget.
# Before all that, every tracked C and C++ file must be formatted as .clang-format says
# (clang-format 14) and every shell script pass shellcheck at warning level; the builds treat
# warnings as errors.
#
#   scripts/test.sh           everything
#   scripts/test.sh --quick   the checks above and the tests that need no display, no JACK
#                             server, no Wine and no sanitizer build (labels "unit" and
#                             "concurrency"), run with DISPLAY unset
#
# Environment: TOLVANE_BUILD_DIR (default build), TOLVANE_ASAN_BUILD_DIR (default
# build-asan), TOLVANE_TSAN_BUILD_DIR (default build-tsan), TOLVANE_FUZZ_BUILD_DIR (default
# build-fuzz), TOLVANE_SKIP_ASAN=1, TOLVANE_SKIP_TSAN=1 and TOLVANE_SKIP_FUZZ=1 to leave a
# sanitizer run out, TOLVANE_NO_WERROR=1 to let warnings pass (for a compiler newer than the
# one the code is kept clean with).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/display.sh
source scripts/lib/jack.sh
source scripts/lib/pulse.sh

quick=0
case "${1:-}" in
    "") ;;
    --quick) quick=1 ;;
    *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh test

# check_sources: the formatting of the C and C++ files (the vendored shim headers in cmake/
# excepted) and shellcheck over every shell script, known by its name or its first line.
# Prints each finding; non-zero if there is any.
check_sources() {
    local code=0 file scripts=()
    echo "== Formatting (clang-format) and shell scripts (shellcheck)"
    git ls-files -z '*.cpp' '*.h' '*.c' | grep -zv '^cmake/' \
        | xargs -0 -r clang-format --dry-run --Werror || code=1
    while IFS= read -r file; do
        case "$file" in
            *.sh) scripts+=("$file") ;;
            *) head -c 64 "$file" 2> /dev/null | grep -qE '^#!.*\b(ba)?sh\b' && scripts+=("$file") ;;
        esac
    done < <(git ls-files)
    shellcheck -S warning "${scripts[@]}" || code=1
    return $code
}
sources_ok=1
check_sources || sources_ok=0

build_dir=${TOLVANE_BUILD_DIR:-build}
asan_dir=${TOLVANE_ASAN_BUILD_DIR:-build-asan}
tsan_dir=${TOLVANE_TSAN_BUILD_DIR:-build-tsan}

werror=ON
if [ "${TOLVANE_NO_WERROR:-}" = 1 ]; then werror=OFF; fi
# The Windows build (scripts/build-windows.sh) follows.
export TOLVANE_WERROR=$werror

echo "== Build"
cmake -S . -B "$build_dir" -G Ninja -DTOLVANE_BUILD_TESTS=ON -DTOLVANE_WARNINGS_AS_ERRORS=$werror

if [ $quick = 1 ]; then
    cmake --build "$build_dir" --target tolvane_quick_tests
    echo "== Quick tests (no display, no JACK, no Wine)"
    code=0
    env -u DISPLAY -u WAYLAND_DISPLAY ctest --test-dir "$build_dir" -L '^(unit|concurrency)$' \
        --output-on-failure --timeout 120 || code=1
    [ $sources_ok = 1 ] || { echo "!! Unformatted C/C++ or shellcheck findings: see above." >&2; code=1; }
    exit $code
fi
cmake --build "$build_dir"

if [ "${TOLVANE_SKIP_ASAN:-}" != 1 ]; then
    echo "== Build with AddressSanitizer + UBSan (unit, plug-in loading, start/play/quit and settings tests)"
    cmake -S . -B "$asan_dir" -G Ninja -DTOLVANE_BUILD_TESTS=ON -DTOLVANE_SANITIZER=address \
          -DTOLVANE_WARNINGS_AS_ERRORS=$werror -DTOLVANE_REFERENCE_STANDALONE=OFF
    cmake --build "$asan_dir" --target tolvane_plugin_load_tests tolvane_unit_tests tolvane_look_tests \
          TolvaneEditor TolvaneReference_VST jack-peak
fi

if [ "${TOLVANE_SKIP_TSAN:-}" != 1 ]; then
    echo "== Build with ThreadSanitizer (transport concurrency tests)"
    cmake -S . -B "$tsan_dir" -G Ninja -DTOLVANE_BUILD_TESTS=ON -DTOLVANE_SANITIZER=thread \
          -DTOLVANE_WARNINGS_AS_ERRORS=$werror -DTOLVANE_REFERENCE_STANDALONE=OFF
    cmake --build "$tsan_dir" --target tolvane_concurrency_tests
fi

summary=$(mktemp)
pulse_clients=$(mktemp -d)
trap 'tolvane_stop_jacks; tolvane_stop_display; rm -rf "$summary" "$pulse_clients"' EXIT
tolvane_start_display
tolvane_pulse_client_files "$pulse_clients"

# Real audio devices for the device tests: each test picks its server with JACK_DEFAULT_SERVER.
tolvane_start_jack tolvane-6 256 6
tolvane_start_jack tolvane-6-512 512 6
tolvane_start_jack tolvane-18 256 18
export TOLVANE_REQUIRE_JACK=1

status=0

# run_ctest ARGS...: runs ctest, keeping its count of tests for the closing line. Address
# randomisation is off: the sanitizer's shadow memory can collide with randomised mappings
# on kernels with many random address bits.
run_ctest() {
    local code=0
    setarch "$(uname -m)" -R ctest "$@" --output-on-failure --timeout 300 | tee -a "$summary" || code=$?
    [ "$code" -eq 0 ] || status=1
}

echo "== Tests"
run_ctest --test-dir "$build_dir"

if [ "${TOLVANE_SKIP_ASAN:-}" != 1 ]; then
    echo "== Unit, plug-in loading, start/play/quit and settings tests under AddressSanitizer + UBSan"
    # Leaks are not what this run is about: the framework and X keep a few on purpose (the
    # fuzz targets look for leaks of our own).
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_ctest --test-dir "$asan_dir" -L 'unit|plugin-load'
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_ctest --test-dir "$asan_dir" -R '^e2e\.(starts_with_editor_and_quits_on_ctrl_q|reopens_at_stored_position|plays_the_plugin_through_jack_when_a_key_is_held|damaged_settings_are_set_aside_and_never_written_over|system_quit_signals_store_the_moved_position)$'
fi

if [ "${TOLVANE_SKIP_TSAN:-}" != 1 ]; then
    echo "== Transport concurrency under ThreadSanitizer"
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest --test-dir "$tsan_dir" -L concurrency
fi

# Each fuzz target over its corpus and a short budget (scripts/fuzz.sh runs them longer),
# built with clang in a tree of its own.
if [ "${TOLVANE_SKIP_FUZZ:-}" != 1 ]; then
    echo "== Fuzz targets (libFuzzer, AddressSanitizer + UBSan)"
    source scripts/lib/fuzz.sh
    tolvane_build_fuzzers "${TOLVANE_FUZZ_BUILD_DIR:-build-fuzz}"
    run_ctest --test-dir "${TOLVANE_FUZZ_BUILD_DIR:-build-fuzz}" -L fuzz
fi

# The Windows build under Wine (TOLVANE_SKIP_WINDOWS=1 leaves it out); its CTest count joins the
# closing line, and a build or Wine that cannot be installed fails the run.
if [ "${TOLVANE_SKIP_WINDOWS:-}" != 1 ]; then
    echo "== Windows build (mingw-w64), tested under Wine"
    windows_code=0
    bash scripts/test-windows.sh 2>&1 | tee -a "$summary" || windows_code=$?
    [ "$windows_code" -eq 0 ] || status=1
fi

echo "== All test runs"
[ $sources_ok = 1 ] || { echo "!! Unformatted C/C++ or shellcheck findings: see the start." >&2; status=1; }
grep -hoE '[0-9]+ tests failed out of [0-9]+' "$summary" \
    | awk '{ failed += $1; total += $6 } END { printf "%d passed, %d failed\n", total - failed, failed }'
exit $status
