# Sourced by the scripts that test hwconsole serve: servers on free loopback
# ports, stopped with SIGTERM as a service manager would. Needs $build.

servers=()

# serve_start LOG SERVE-ARGS...: one `hwconsole serve`, its standard error in
# LOG; sets $url to where it listens. Fails, showing LOG, if it does not start.
serve_start() {
    local log=$1 i
    shift
    : >"$log.out"  # there before the server opens it, for the loop below
    "$build/bin/hwconsole" serve --listen 127.0.0.1:0 "$@" >"$log.out" 2>"$log" &
    servers+=($!)
    for ((i = 0; i < 300; i++)); do
        url=$(sed -n 's/^listening on //p' "$log.out")
        [[ -z $url ]] || return 0
        kill -0 "${servers[-1]}" 2>/dev/null || break
        sleep 0.1
    done
    echo "$(basename "$0"): hwconsole serve did not start:"
    cat "$log"
    return 1
}

# serve_stop: ends every server started; fails unless each exits with 0.
serve_stop() {
    local pid status=0
    for pid in "${servers[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    for pid in "${servers[@]}"; do wait "$pid" || status=1; done
    servers=()
    return $status
}
