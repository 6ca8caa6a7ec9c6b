# Case "speed" of bench/run.sh: our speed test against iperf3 on loopback, with the
# same write size and duration. For each size, iperf3 runs first (its receiver's
# rate), then two console programs: the first streams to the second (auto-tune off,
# BUF = the size) and the second records its per-second receive counts in a CSV file.
# Our figure is the receiver's average over the periods that lay wholly inside the
# stream (the first and last, partly filled, periods are left out, as the receiver's
# "受信←[平均]" leaves out the period that ended last). The last run sets the same
# SEC_KEY on both programs and compares with the plain iperf3 figure of its size.
# Each figure is the best of SPEED_RUNS runs, iperf3 and ours taking turns, so that
# other work on the machine weighs on both alike.
SPEED_TARGET=0.9
SPEED_KEY_TARGET=0.8
SPEED_SECONDS=${SPEED_SECONDS:-5}
SPEED_RUNS=${SPEED_RUNS:-3}
SPEED_SIZES=${SPEED_SIZES:-"4000 128000 600000"}
SPEED_KEY_SIZE=128000

# iperf3's receiver rate in bytes per second for write size $1.
speed_iperf() {
    local size=$1 port out
    port=$(free_port)
    iperf3 -s -1 -p "$port" >/dev/null 2>&1 &
    local server=$!
    sleep 0.5
    out=$(iperf3 -c 127.0.0.1 -p "$port" -t "$SPEED_SECONDS" -l "$size" -f k)
    wait "$server" || true
    echo "$out" | awk '/receiver/ {
        for (i = 2; i <= NF; i++) if ($i == "Kbits/sec") printf "%.0f\n", $(i - 1) * 1000 / 8 }'
}

# Installs a console program in folder $1 with the INI lines $2 (joined by "\r\n").
speed_install() {
    mkdir -p "$1"
    cp "$BUILD/quorvane-cli" "$1/"
    printf '[Quorvane]\r\nWAN=0\r\n%s' "$2" >"$1/quorvane-cli.ini"
}

# The receiver's average in bytes per second from its CSV file $1: the periods whose
# neighbours also received data.
speed_receiver_rate() {
    awk -F, 'NR > 1 { ms[NR] = $2; bytes[NR] = $4; last = NR }
        END {
            for (i = 3; i < last; i++)
                if (bytes[i - 1] > 0 && bytes[i] > 0 && bytes[i + 1] > 0 && ms[i] > 0) {
                    sum += bytes[i]; span += ms[i]
                }
            if (span > 0) printf "%.0f\n", sum * 1000 / span; else print 0
        }' "$1"
}

# Our receiver's rate for write size $1; $2 is "key" to set a security key, "secure"
# to set it and turn the encrypted mode on. The CPU seconds both programs used go to
# stderr beside the sender's summary.
speed_ours() {
    local size=$1 key=${2:-} run port_a port_b ini
    run=$SCRATCH/run-$size-${key:-plain}
    rm -rf "$run"
    ini=$(printf 'AUTO=0\r\nBUF=%s\r\n' "$size")
    [ -n "$key" ] && ini=$ini$(printf 'SEC_KEY=bench-key\r\n')
    [ "$key" = secure ] && ini=$ini$(printf 'SECURE=1\r\n')
    speed_install "$run/a" "$ini"
    speed_install "$run/b" "$ini"
    port_a=$(free_port)
    port_b=$(free_port)
    local hold=$((SPEED_SECONDS + 4))
    ( { echo "csv $run/b/rates.csv"; sleep "$hold"; echo quit; } |
        (cd "$run/b" && exec ./quorvane-cli "$port_b") >"$run/b/out.txt" 2>&1 ) &
    local receiver=$!
    sleep 1
    printf 'peer 127.0.0.1:%s\nsend\nwait %s\nstop\nwait 1000\nquit\n' "$port_b" \
        "$((SPEED_SECONDS * 1000))" | (cd "$run/a" && exec ./quorvane-cli "$port_a") \
        >"$run/a/out.txt" 2>&1
    wait "$receiver" || true
    grep '^# summary' "$run/a/out.txt" | sed 's/^# /  sender /' >&2
    speed_cpu_note >&2
    speed_receiver_rate "$run/b/rates.csv"
}

# The CPU seconds both programs of speed_ours used, and the cores that makes over the
# stream's seconds (their idle seconds around it cost next to nothing).
speed_cpu_note() {
    children_cpu
    echo "  cpu of both programs: $CHILDREN_CPU s, $(ratio "$CHILDREN_CPU" "$SPEED_SECONDS")" \
        "cores over the stream"
}

speed_ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "0" }'
}

speed_max() {
    if [ "${1:-0}" -gt "${2:-0}" ]; then echo "$1"; else echo "${2:-0}"; fi
}

# Sets ANCHOR and OURS to the best of SPEED_RUNS turns for size $1 (and key $2).
speed_best_of_runs() {
    ANCHOR=0
    OURS=0
    local run
    for run in $(seq "$SPEED_RUNS"); do
        ANCHOR=$(speed_max "$(speed_iperf "$1")" "$ANCHOR")
        OURS=$(speed_max "$(speed_ours "$1" "${2:-}")" "$OURS")
    done
}

run_case() {
    build_targets quorvane-cli
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    command -v iperf3 >/dev/null || { echo "bench: iperf3 is missing" >&2; exit 1; }
    scratch_dir >/dev/null
    local size lines=()
    for size in $SPEED_SIZES; do
        speed_best_of_runs "$size"
        echo "write size $size: ours $OURS B/s, iperf3 $ANCHOR B/s"
        lines+=("speed-$size: ratio=$(speed_ratio "$OURS" "$ANCHOR") target=$SPEED_TARGET")
    done
    speed_best_of_runs "$SPEED_KEY_SIZE" key
    echo "write size $SPEED_KEY_SIZE with SEC_KEY: ours $OURS B/s, iperf3 $ANCHOR B/s"
    lines+=("speed-key-$SPEED_KEY_SIZE: ratio=$(speed_ratio "$OURS" "$ANCHOR") target=$SPEED_KEY_TARGET")
    printf '%s\n' "${lines[@]}"
}
