# Sourced by the Windows tests: a private Wine prefix for running the Windows build on this
# machine. The prefix is made once (about 15 s) and kept between runs.
#
# tolvane_wine_env STATE_DIR: exports WINEPREFIX and friends for STATE_DIR/prefix. HOME
# becomes STATE_DIR/home, whose ~/.asoundrc makes ALSA's default device a null device, so
# the audio back ends open a real (silent) device on a machine without a sound card.
# tolvane_wine_prepare: makes the prefix if needed; fails with a message when Wine is missing.
# tolvane_wine_stop: ends the prefix's Wine server and everything still running in it.

tolvane_wine_env() {
    local state=$1
    mkdir -p "$state/home"
    export WINEPREFIX="$state/prefix"
    export WINEARCH=win64
    export HOME="$state/home"
    # No Mono or Gecko installers popping up, and quiet unless a test asks for a channel.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEDEBUG=-all
    cat > "$HOME/.asoundrc" <<'ASOUNDRC'
pcm.!default {
    type null
}
ASOUNDRC
}

tolvane_wine_prepare() {
    if ! command -v wine > /dev/null || ! command -v wineserver > /dev/null; then
        echo "Wine is not installed (Debian packages wine, wine64): the Windows tests cannot run." >&2
        return 1
    fi
    [ -f "$WINEPREFIX/.tolvane-ready" ] && return 0

    rm -rf "$WINEPREFIX"
    wine wineboot --init > "$WINEPREFIX.log" 2>&1 || { cat "$WINEPREFIX.log" >&2; return 1; }
    # A crashing program ends at once instead of waiting on the debugger's dialog.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /t REG_SZ /d '' /f >> "$WINEPREFIX.log" 2>&1 || { cat "$WINEPREFIX.log" >&2; return 1; }
    wineserver -w
    touch "$WINEPREFIX/.tolvane-ready"
}

tolvane_wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k 2> /dev/null
    return 0
}
