# Case "windows-speed" of bench/run.sh: the Windows console program under wine streams
# to the Linux program on loopback, against iperf3 on loopback in the same run, with
# the same write size and duration. Our figure is the Linux receiver's per-second CSV
# average (as in the "speed" case). No target while wine is the only Windows here.
#
# WINDOWS_SPEED_SENDER overrides the sender's command (its last word is the program,
# copied into the sender's folder), e.g. "$PWD/build-bench/quorvane-cli" to try the
# case without the Windows build. WINDOWS_SPEED_SECONDS (10) and WINDOWS_SPEED_SIZE
# (128000) set the duration and write size.
SPEED_SECONDS=${WINDOWS_SPEED_SECONDS:-10}
WINDOWS_SPEED_SIZE=${WINDOWS_SPEED_SIZE:-128000}
WINE_DIR=/usr/lib/wine
WINE_STARTED=

# The speed case's helpers (speed_iperf, speed_install, speed_receiver_rate,
# speed_ratio); this case has its own run_case below.
# shellcheck source=/dev/null
source "$ROOT/bench/speed.sh"

# A kept-alive wineserver and a prefix of the Windows build's own, as scripts/windows.sh.
windows_speed_start_wine() {
    export WINEPREFIX="$ROOT/build-windows/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    WINE_STARTED=1
    "$WINE_DIR/wineserver64" -p >/dev/null 2>&1 </dev/null
    timeout 300 "$WINE_DIR/wine64" wineboot --init >/dev/null 2>&1 </dev/null
    # The program refuses a system older than Windows 10 (a new prefix says 7).
    timeout 120 "$WINE_DIR/wine64" winecfg -v win10 >/dev/null 2>&1 </dev/null
}

windows_speed_cleanup() {
    if [ -n "$WINE_STARTED" ]; then "$WINE_DIR/wineserver64" -k >/dev/null 2>&1 || true; fi
    cleanup
}

# The receiver's rate in bytes per second while the sender command "$@" streams to it.
windows_speed_ours() {
    local run=$SCRATCH/windows-speed ini port program
    ini=$(printf 'AUTO=0\r\nBUF=%s\r\nNICNAME=bench\r\n' "$WINDOWS_SPEED_SIZE")
    speed_install "$run/rx" "$ini"
    mkdir -p "$run/tx"
    program=$run/tx/$(basename "${!#}")
    cp "${!#}" "$program"
    printf '[Quorvane]\r\nWAN=0\r\n%s' "$ini" >"$run/tx/quorvane-cli.ini"
    port=$(free_port)
    mkfifo "$run/rx/in.fifo"
    (cd "$run/rx" && exec timeout $((SPEED_SECONDS + 120)) ./quorvane-cli "$port" \
        <"$run/rx/in.fifo" >"$run/rx/out.txt" 2>&1) &
    local receiver=$! rx_in
    exec {rx_in}>"$run/rx/in.fifo"
    echo "csv $run/rx/rates.csv" >&"$rx_in"
    wait_for_line "$run/rx/out.txt" "^U $port " 10
    # Output to a file: wine's helper processes could hold a pipe open.
    printf 'peer 127.0.0.1:%s\nsend\nwait %s\nstop\nwait 1000\nquit\n' "$port" \
        "$((SPEED_SECONDS * 1000))" | (cd "$run/tx" && exec timeout $((SPEED_SECONDS + 90)) \
        "${@:1:$#-1}" "$program" 0 >"$run/tx/out.txt" 2>&1) || true
    echo quit >&"$rx_in"
    exec {rx_in}>&-
    wait "$receiver" || true
    if ! grep -q '^# summary' "$run/tx/out.txt"; then
        tail -5 "$run/tx/out.txt" >&2
        echo "bench: the sender wrote no summary" >&2
        exit 1
    fi
    grep '^# summary' "$run/tx/out.txt" | sed 's/^# /  sender /' >&2
    speed_receiver_rate "$run/rx/rates.csv"
}

run_case() {
    local sender anchor ours
    if [ -n "${WINDOWS_SPEED_SENDER:-}" ]; then
        read -r -a sender <<<"$WINDOWS_SPEED_SENDER"
    else
        sender=("$WINE_DIR/wine64" "$ROOT/build-windows/quorvane-cli.exe")
        if [ ! -f "${sender[1]}" ]; then
            echo "bench: ${sender[1]} is missing: build the Windows program first" \
                "(scripts/windows.sh)" >&2
            exit 1
        fi
        [ -x "${sender[0]}" ] || { echo "bench: ${sender[0]} is missing (apt-get install wine64)" >&2; exit 1; }
    fi
    command -v iperf3 >/dev/null || { echo "bench: iperf3 is missing" >&2; exit 1; }
    build_targets quorvane-cli
    [ -f "${sender[-1]}" ] || { echo "bench: no program at ${sender[-1]}" >&2; exit 1; }
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    scratch_dir >/dev/null
    trap windows_speed_cleanup EXIT
    case "$(basename "${sender[0]}")" in wine*) windows_speed_start_wine ;; esac
    anchor=$(speed_iperf "$WINDOWS_SPEED_SIZE")
    ours=$(windows_speed_ours "${sender[@]}")
    echo "write size $WINDOWS_SPEED_SIZE, $SPEED_SECONDS s: ours $ours B/s, iperf3 $anchor B/s"
    echo "windows-speed: ratio=$(speed_ratio "$ours" "$anchor") target=none"
}
