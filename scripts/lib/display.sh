# Sourced by the scripts: starts a private X display (Xvfb) with a window manager (openbox)
# and exports DISPLAY. Without a window manager some plug-in editors turn harmless X errors
# into process exits, and windows get no frame or title bar. TOLVANE_XVFB_SCREEN sets the
# screen (default 1280x1024x24).

# _tolvane_try_display: one attempt at a display with its window manager; on failure nothing
# of it is left running.
_tolvane_try_display() {
    # Xvfb picks a free display number itself and writes it once it accepts clients: no race
    # with a display that another process is starting or stopping at the same moment.
    local number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${TOLVANE_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp \
        3> "$number_file" > /dev/null 2>&1 &
    TOLVANE_XVFB_PID=$!

    local tries=0 n=""
    until n=$(head -n 1 "$number_file") && [ -n "$n" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$TOLVANE_XVFB_PID" 2>/dev/null; then
            echo "Could not start Xvfb" >&2
            rm -f "$number_file"
            tolvane_stop_display
            return 1
        fi
        sleep 0.1
    done
    rm -f "$number_file"

    local wm_log=${TMPDIR:-/tmp}/tolvane-openbox-$n.log
    DISPLAY=":$n" openbox > "$wm_log" 2>&1 &
    TOLVANE_WM_PID=$!

    tries=0
    until DISPLAY=":$n" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        tries=$((tries + 1))
        # A window manager that has ended will not start later.
        if [ $tries -gt 300 ] || ! kill -0 "$TOLVANE_WM_PID" 2>/dev/null; then
            echo "The window manager did not start on :$n; its log:" >&2
            cat "$wm_log" >&2
            tolvane_stop_display
            return 1
        fi
        sleep 0.1
    done

    export DISPLAY=":$n"
}

tolvane_start_display() {
    # Seldom, on a busy machine, the window manager cannot reach a display that has just
    # started; a fresh display then comes up.
    local attempt
    for attempt in 1 2 3; do
        _tolvane_try_display && return 0
        echo "Display attempt $attempt failed" >&2
    done
    return 1
}

tolvane_stop_display() {
    [ -n "${TOLVANE_WM_PID:-}" ] && kill "$TOLVANE_WM_PID" 2> /dev/null
    [ -n "${TOLVANE_XVFB_PID:-}" ] && kill "$TOLVANE_XVFB_PID" 2> /dev/null
    TOLVANE_WM_PID='' TOLVANE_XVFB_PID=''
}
