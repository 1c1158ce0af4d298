#!/usr/bin/env bash
# End-to-end checks of tolvane-check, the conformance checker: the reference plug-in, the
# probe module answering as it is told, and modules that cannot be loaded.
# Usage: check_e2e.sh CASE   (environment: TOLVANE_CHECK, TOLVANE_REFERENCE_MODULE,
#                             TOLVANE_PROBE_MODULE, TOLVANE_NO_ENTRY_MODULE; DISPLAY with a
#                             window manager for the editor; optional TOLVANE_E2E_ARTEFACTS)
set -uo pipefail

case_name=${1:?usage: check_e2e.sh CASE}
source "$(dirname "$0")/common.sh"
: "${DISPLAY:?the editor check needs a display with a window manager (scripts/test.sh starts one)}"
: "${TOLVANE_CHECK:?TOLVANE_CHECK must name the built tolvane-check}"

work=$(mktemp -d)
artefacts=${TOLVANE_E2E_ARTEFACTS:-$work/artefacts}
mkdir -p "$artefacts"
app_pid=""
trap cleanup EXIT

describe_failure() {
    sed 's/^/    check: /' "$work/out" "$work/err" >&2 2>/dev/null
}

# check ARGUMENT...: runs the checker; its report is in $work/out, its exit status in $code.
check() {
    "$TOLVANE_CHECK" "$@" > "$work/out" 2> "$work/err"
    code=$?
}

# verdicts: "VERDICT NAME" for each check of the last text report.
verdicts() {
    awk '/^(PASS|WARN|FAIL)  / { print $1, $2 }' "$work/out"
}

# expect NAME VERDICT [TEXT]: the last report judged check NAME so, saying TEXT.
expect() {
    local line
    line=$(grep -E "^[A-Z]{4}  $1 " "$work/out" | head -n 1)
    [ "${line%% *}" = "$2" ] || fail "check $1 is '${line%% *}', not $2"
    [ -z "${3:-}" ] || [[ "$line" == *"$3"* ]] || fail "check $1 does not say '$3': $line"
}

expect_code() {
    [ "$code" = "$1" ] || fail "exit status $code, not $1"
}

case "$case_name" in
reference_plugin_passes_every_check)
    check --no-editor "$TOLVANE_REFERENCE_MODULE"
    expect_code 0
    verdicts | grep -v '^PASS' && fail "not every check passed without the editor"
    grep -qF "editor not opened (--no-editor)" "$work/out" || fail "the skipped editor is not mentioned"
    expect play-head PASS "after PLAY (0.5 s): playing at 0 samples"
    expect play-head PASS "after STOP (1.5 s): stopped at 0 samples"

    # With the editor: a screenshot while its window is up, then the same report as JSON.
    check --json "$TOLVANE_REFERENCE_MODULE" &
    runner=$!
    wait_line_for_window() {
        local deadline=$((SECONDS + 20))
        while [ $SECONDS -lt $deadline ]; do
            xdotool search --onlyvisible --name '^Tolvane Reference$' > /dev/null 2>&1 && return 0
            sleep 0.1
        done
        return 1
    }
    wait_line_for_window || fail "the editor's window never appeared"
    sleep 0.5
    import -window root "$artefacts/check-reference-editor.png" 2>/dev/null
    wait "$runner"
    json_code=$(jq -r .exitCode "$work/out") || fail "--json printed no JSON document"
    [ "$json_code" = 0 ] || fail "the JSON report gives exit status $json_code"
    jq -r '.checks[] | "\(.verdict) \(.name)"' "$work/out" > "$work/json-verdicts"
    grep -qx "PASS editor-window" "$work/json-verdicts" || fail "the editor check did not pass"
    grep -v '^PASS' "$work/json-verdicts" && fail "not every check passed with the editor"
    [ "$(jq -r '.facts.module.name' "$work/out")" = "Tolvane Reference" ] || fail "the module's name is not in the facts"

    check "$TOLVANE_REFERENCE_MODULE"
    expect_code 0
    verdicts | diff - "$work/json-verdicts" || fail "the text and JSON reports hold different verdicts"
    ;;

probe_answers_are_judged_as_the_host_takes_them)
    : "${TOLVANE_PROBE_MODULE:?TOLVANE_PROBE_MODULE must name the probe module}"
    # The checker takes any module name: the probe keeps its own.
    export TOLVANE_PROBE_LOG="$work/probe.log" TOLVANE_PROBE_COMMANDS="$work/probe.commands"
    export TOLVANE_PROBE_EDITOR=320x200
    : > "$TOLVANE_PROBE_COMMANDS"

    TOLVANE_PROBE_CAN_DO=2 check --no-editor "$TOLVANE_PROBE_MODULE"
    expect_code 0
    expect capability WARN "only exactly 1 means supported"
    grep -q "^PASS  sHDL" "$work/out" && fail "the handshake went on after a capability reply of 2"

    TOLVANE_PROBE_HANDLE=0 check --no-editor "$TOLVANE_PROBE_MODULE"
    expect_code 0
    expect capability PASS
    expect sHDL WARN "refused"

    # Colours without a top byte, an unknown size mode, an editor of no size, and call-backs
    # that the application turns away: a NaN tempo, a foreign handle, a settings call from a
    # thread of the plug-in, one while the host deletes it.
    printf 'tempo nan\ntempo-foreign 120\nsettings-thread\ntempo 93.5\nsettings-at-close\n' > "$TOLVANE_PROBE_COMMANDS"
    TOLVANE_PROBE_COLOURS=00f0e0d0,00c04020,00204060 TOLVANE_PROBE_SIZE_MODE=7 TOLVANE_PROBE_EDITOR=0x0 \
        check --json "$TOLVANE_PROBE_MODULE"
    expect_code 1
    jq -r '.checks[] | "\(.verdict) \(.name) \(.detail)"' "$work/out" > "$work/json-lines" \
        || fail "--json printed no JSON document"
    for expected in "FAIL editor" "WARN colours" "WARN sSiz" "FAIL tempo-value" "FAIL foreign-handle" \
                    "WARN settings-thread" "PASS settings-callback" "PASS tempo-callback" "WARN teardown"; do
        grep -q "^$expected " "$work/json-lines" || fail "no '$expected' in the JSON report"
    done
    grep "^WARN colours " "$work/json-lines" | grep -qF "text has top byte 0x00, forced opaque to 0xfff0e0d0" \
        || fail "the colours do not say that they were forced opaque"
    grep -qF "93.5 bpm" "$work/json-lines" || fail "the tempo set last is not reported"
    [ "$(jq -r .exitCode "$work/out")" = 1 ] || fail "the JSON report gives another exit status"

    # A plug-in that never returns from its close is cut off by the application's watchdog.
    : > "$TOLVANE_PROBE_COMMANDS"
    started=$SECONDS
    TOLVANE_PROBE_CLOSE=hang check --no-editor "$TOLVANE_PROBE_MODULE"
    expect_code 1
    expect teardown FAIL "did not return from its teardown"
    [ $((SECONDS - started)) -lt 20 ] || fail "the hanging plug-in was not cut off"
    ;;

unloadable_modules_end_with_status_2_and_the_reason)
    : "${TOLVANE_NO_ENTRY_MODULE:?TOLVANE_NO_ENTRY_MODULE must name the module without entry point}"
    head -c 4096 /dev/urandom > "$work/garbage.so"
    check --no-editor "$work/garbage.so"
    expect_code 2
    expect module FAIL "Plugin could not be loaded: $work/garbage.so: "

    check --json "$TOLVANE_NO_ENTRY_MODULE"
    expect_code 2
    [ "$(jq -r .loadFailure.title "$work/out")" = "Plugin could not be loaded" ] || fail "no load failure in the JSON report"
    jq -r .loadFailure.message "$work/out" | grep -qF "$TOLVANE_NO_ENTRY_MODULE" || fail "the JSON failure lacks the path"

    check "$work/missing.so"
    expect_code 2
    expect module FAIL "Plugin file not found: $work/missing.so"

    check --seconds 1 "$work/garbage.so"
    expect_code 3
    check --help
    expect_code 0
    grep -q "^Exit status: 0 nothing failed, 1 something failed, 2 the module could not be loaded" "$work/out" \
        || fail "--help does not explain the exit status"
    ;;

*)
    echo "unknown case: $case_name" >&2
    exit 2
    ;;
esac

echo "PASS [$case_name]"
