# Helpers shared by the end-to-end scripts. The sourcing script defines fail MESSAGE and
# keeps the program's process id in app_pid.

# wait_exit [SECONDS]: waits for the program to end (default 20 s) and checks that it ended
# cleanly, with exit code 0.
wait_exit() {
    local limit=${1:-20}
    local deadline=$((SECONDS + limit))
    while kill -0 "$app_pid" 2> /dev/null; do
        [ $SECONDS -lt $deadline ] || fail "the program did not end within $limit s"
        sleep 0.1
    done
    wait "$app_pid"
    local code=$?
    app_pid=""
    [ "$code" -eq 0 ] || fail "the program ended with exit code $code"
}
