#!/usr/bin/env bash
# End-to-end checks of the mini-host extension: the real application with the probe module
# beside it, under a display with a window manager and a JACK server.
# Usage: minihost_e2e.sh CASE   (environment: DISPLAY, TOLVANE_APP, TOLVANE_PROBE_MODULE,
#                                JACK_DEFAULT_SERVER, optional TOLVANE_E2E_ARTEFACTS and
#                                TOLVANE_REQUIRE_JACK=1)
set -uo pipefail

case_name=${1:?usage: minihost_e2e.sh CASE}
source "$(dirname "$0")/common.sh"
: "${DISPLAY:?the end-to-end tests need a display with a window manager (scripts/test.sh starts one)}"
: "${TOLVANE_APP:?TOLVANE_APP must name the built application}"
: "${TOLVANE_PROBE_MODULE:?TOLVANE_PROBE_MODULE must name the probe module}"

probe_app_in_work
: > "$TOLVANE_PROBE_LOG"
: > "$TOLVANE_PROBE_COMMANDS"

trap cleanup EXIT

# What the probe saw goes with a failure.
describe_failure() {
    sed 's/^/    probe: /' "$TOLVANE_PROBE_LOG" >&2
}

start_app() {
    "$app" > "$work/app.log" 2>&1 &
    app_pid=$!
}

# motif_functions ID: the window functions the window asks the window manager for.
motif_functions() {
    local functions
    read -r _ functions _ _ <<< "$(xprop -id "$1" _MOTIF_WM_HINTS | sed -n 's/.*= *//p' | tr -d ',')"
    echo "${functions:-}"
}

need_jack

case "$case_name" in
window_buttons_follow_the_size_mode)
    for mode in 1 0 2; do
        export TOLVANE_PROBE_SIZE_MODE=$mode
        start_probe
        functions=$(motif_functions "$main_id")
        [ -n "$functions" ] || fail "the window sets no Motif hints"
        if [ "$mode" = 1 ]; then
            (( (functions & 0x10) == 0 && (functions & 0x08) != 0 && (functions & 0x20) != 0 )) \
                || fail "size mode 1: window functions $functions are not minimise and close only"
        else
            (( (functions & 0x10) != 0 && (functions & 0x08) != 0 && (functions & 0x20) != 0 )) \
                || fail "size mode $mode: window functions $functions are not minimise, maximise and close"
        fi
        quit_app
    done
    ;;

settings_callback_opens_the_dialog_in_the_plugins_colours_and_escape_saves)
    # Colours without an opaque top byte: the host makes them opaque.
    export TOLVANE_PROBE_COLOURS=00f0e0d0,00c04020,00204060
    start_probe
    grep -q audioDeviceState "$settings_file" 2>/dev/null && fail "device state stored before the dialog"
    dialog=$(open_dialog settings)
    sleep 0.5
    [ "$(windows_titled "$dialog_title" | wc -l)" = 1 ] || fail "more than one dialog is open"
    grep -qxF "settings: returned" "$TOLVANE_PROBE_LOG" && fail "the call-back returned while the dialog was open"
    import -window root "$artefacts/settings-dialog-from-the-plugin.png" 2>/dev/null
    background=$(pixel "$dialog" 10 400)
    [ "$background" = 204060 ] || fail "the dialog's background is #$background, not the plug-in's #204060"
    close_dialog "$dialog"
    wait_log "settings: returned" || fail "the call-back did not return after the dialog closed"
    # Stored and written at once, while the application still runs.
    kill -0 "$app_pid" 2>/dev/null || fail "the application ended"
    grep -q 'name="audioDeviceState"' "$settings_file" 2>/dev/null || fail "no device state saved after the dialog"
    quit_app
    ;;

settings_callback_is_turned_away_when_foreign_nested_or_off_thread)
    start_probe
    # A second request from inside the open dialog returns at once and opens nothing more.
    dialog=$(open_dialog settings-nested)
    wait_log "nested settings: returned" || fail "the nested call did not return while the dialog was open"
    sleep 0.5
    [ "$(windows_titled "$dialog_title" | wc -l)" = 1 ] || fail "a second dialog opened"
    close_dialog "$dialog"
    wait_log "settings: returned" || fail "the outer call did not return"

    # From another thread: returns at once; the dialog opens on the message thread.
    tell settings-thread
    wait_log "settings from a thread: returned" || fail "the call from a thread did not return"
    dialog=$(wait_window "$dialog_title" 10) || fail "the call from a thread opened no dialog"
    close_dialog "$dialog"

    # With a handle that is not the host's: nothing at all.
    tell settings-foreign
    wait_log "settings with a foreign handle: returned" || fail "the foreign call did not return"
    sleep 1
    [ -z "$(windows_titled "$dialog_title")" ] || fail "a foreign handle opened the dialog"

    # While the host tears the plug-in down: returns at once, and the quit completes.
    tell settings-at-close
    wait_log "command settings-at-close" || fail "the probe did not take the command"
    press "$main_id" ctrl+q
    wait_log "settings at close: returned" 10 || fail "the call during shut-down did not return"
    [ -z "$(windows_titled "$dialog_title")" ] || fail "a call during shut-down opened the dialog"
    wait_exit
    ;;

tempo_callback_is_seen_by_the_next_play_head_query_and_nothing_else_changes)
    start_probe
    tell "tempo-foreign 90"
    wait_log "command tempo-foreign 90" || fail "the probe did not take the command"
    deadline=$((SECONDS + 10))
    until grep -q '^after ' "$TOLVANE_PROBE_LOG"; do
        [ $SECONDS -lt $deadline ] || fail "no play head logged after the foreign tempo"
        sleep 0.1
    done
    grep -q '^after tempo=120.000 ' "$TOLVANE_PROBE_LOG" || fail "a foreign handle changed the tempo"
    : > "$TOLVANE_PROBE_LOG"

    tell "tempo 140"
    deadline=$((SECONDS + 10))
    until grep -q '^after ' "$TOLVANE_PROBE_LOG"; do
        [ $SECONDS -lt $deadline ] || fail "no play head logged after the tempo"
        sleep 0.1
    done
    before=$(sed -n 's/^before //p' "$TOLVANE_PROBE_LOG")
    after=$(sed -n 's/^after //p' "$TOLVANE_PROBE_LOG")
    [[ "$before" == "tempo=120.000 "* ]] || fail "the tempo before was not 120: $before"
    [[ "$after" == "tempo=140.000 "* ]] || fail "the next query did not report 140: $after"
    [ "${before#* }" = "${after#* }" ] || fail "more than the tempo changed: '$before' -> '$after'"
    echo "before: $before"
    echo "after:  $after"
    quit_app
    ;;

dialog_outlives_the_audio_server_and_recovery_waits_for_it)
    # A server of this case's own dies while the dialog runs inside the plug-in's call, and
    # comes back while the dialog is still open.
    command -v jackd > /dev/null || { echo "SKIP [$case_name]: no jackd"; exit 77; }
    alsa_without_plugins
    source "$(dirname "$0")/../../scripts/lib/jack.sh"
    trap 'tolvane_stop_jacks; cleanup' EXIT
    export JACK_DEFAULT_SERVER="tolvane-dialog-$$"
    tolvane_start_jack "$JACK_DEFAULT_SERVER" 256 2 || fail "JACK server '$JACK_DEFAULT_SERVER' did not start"
    start_probe
    dialog=$(open_dialog settings)
    tolvane_stop_jacks
    # The framework's "Test" button (beside the output device) needs the device manager's
    # lock, which the stopping device must not keep while the plug-in's call runs the dialog.
    sleep 1
    read -r x y <<< "$(xwininfo -id "$dialog" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')"
    xdotool mousemove $((x + 450)) $((y + 68)) click 1
    tolvane_start_jack "$JACK_DEFAULT_SERVER" 256 2 || fail "JACK server '$JACK_DEFAULT_SERVER' did not start again"
    # The user is choosing: the device is not reopened behind the dialog's back.
    sleep 2.5
    jack_lsp 2> /dev/null | grep -q '^Tolvane Editor:' && fail "the device was reopened while the dialog was open"
    import -window root "$artefacts/dialog-after-the-server-died.png" 2>/dev/null
    close_dialog "$dialog"
    wait_log "settings: returned" || fail "the call-back did not return after the dialog closed"
    deadline=$((SECONDS + 4))
    until jack_lsp -c 2> /dev/null | grep -A1 '^Tolvane Editor:out_1$' | grep -q 'system:playback_1'; do
        [ $SECONDS -lt $deadline ] || fail "not connected again within 3 s of the dialog closing"
        sleep 0.1
    done
    quit_app
    ;;

plugin_without_the_extension_runs_with_the_default_look)
    # Not supported (0, -1, 2), the handle refused, and the colours refused: each runs, with
    # minimise and close only, and gets no call-backs or no colours.
    export TOLVANE_PROBE_SIZE_MODE=0
    for variant in can_do=0 can_do=-1 can_do=2 handle=0; do
        case $variant in
            can_do=*) export TOLVANE_PROBE_CAN_DO=${variant#*=} TOLVANE_PROBE_HANDLE=1 ;;
            handle=*) export TOLVANE_PROBE_CAN_DO=1 TOLVANE_PROBE_HANDLE=0 ;;
        esac
        start_probe
        grep -qxF sCFG "$TOLVANE_PROBE_LOG" && fail "$variant: the call-backs were handed over"
        functions=$(motif_functions "$main_id")
        (( (functions & 0x10) == 0 )) || fail "$variant: window functions $functions allow maximising"
        quit_app
    done

    # Call-backs but no colours: the dialog keeps the framework's default look.
    export TOLVANE_PROBE_CAN_DO=1 TOLVANE_PROBE_HANDLE=1
    unset TOLVANE_PROBE_COLOURS
    start_probe
    dialog=$(open_dialog settings)
    sleep 0.5
    background=$(pixel "$dialog" 10 400)
    import -window root "$artefacts/settings-dialog-default-look.png" 2>/dev/null
    [ "$background" = 323e44 ] || fail "without colours the dialog's background is #$background, not the default #323e44"
    close_dialog "$dialog"
    quit_app
    ;;

quits_within_the_limit_with_its_position_saved_when_the_plugin_blocks_its_close)
    # An editor whose thread asks for a size while the editor's close joins it: the request
    # gives way and the teardown completes. A plug-in that never returns from its close:
    # cut off. Either way the position is on disk and the exit code is 0.
    export TOLVANE_PROBE_EDITOR=320x240
    for behaviour in size-thread hang; do
        export TOLVANE_PROBE_CLOSE=$behaviour
        rm -f "$settings_file"
        start_probe
        [ $behaviour = hang ] || wait_log "size request answered" || fail "the editor's size requests were never answered"
        closed_at=$(date +%s%N)
        close_window "$main_id"
        wait_exit 8
        echo "$behaviour: ended $(( ($(date +%s%N) - closed_at) / 1000000 )) ms after the close"
        [ -n "$(stored_position)" ] || fail "$behaviour: no mainWindowPos stored"
        if [ $behaviour = size-thread ]; then
            grep -qx "size request while closing returned [01]" "$TOLVANE_PROBE_LOG" \
                && grep -qxF closed "$TOLVANE_PROBE_LOG" || fail "size-thread: the teardown did not complete"
        else
            grep -qxF "close: hanging" "$TOLVANE_PROBE_LOG" || fail "hang: the plug-in was never closed"
        fi
    done
    ;;

size_requests_from_plugin_threads_give_way_to_an_editor_close_and_still_fit_the_window)
    # The framework closes the editor of a minimised window as soon as the window changes its
    # size: here the editor resizes itself, and its close joins the editor's thread in the
    # middle of its size requests. Restoring the window opens the editor again.
    export TOLVANE_PROBE_EDITOR=320x240 TOLVANE_PROBE_CLOSE=size-thread
    start_probe
    wait_log "size request answered" || fail "the editor's size requests were never answered"
    xdotool windowminimize "$main_id"
    deadline=$((SECONDS + 10))
    until xprop -id "$main_id" WM_STATE | grep -q 'window state: Iconic'; do
        [ $SECONDS -lt $deadline ] || fail "the window was not minimised"
        sleep 0.1
    done
    tell "resize 330x250"
    wait_log "editor closed" || fail "the editor close that resizing the minimised window makes did not complete"
    wait_log "size request while closing returned 1" || fail "a size request during the editor's close did not return"
    wmctrl -i -a "$(printf '0x%x' "$main_id")"
    wait_log "editor open 330x250" || fail "restoring the window did not open the editor again"
    wait_content "$main_id" 330 250
    quit_app
    grep -qxF closed "$TOLVANE_PROBE_LOG" || fail "the teardown did not complete"

    # A size asked for from a plug-in thread reaches the window all the same.
    unset TOLVANE_PROBE_CLOSE
    start_probe
    tell "resize-thread 400x300"
    wait_log "resized 400x300, host answered 1" || fail "the size request from a thread was not answered"
    wait_content "$main_id" 400 300
    quit_app
    ;;

*)
    echo "unknown case: $case_name" >&2
    exit 2
    ;;
esac

echo "PASS [$case_name]"
