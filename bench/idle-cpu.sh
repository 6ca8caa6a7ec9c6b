# Case "idle-cpu" of bench/run.sh: the processor time that an idle program uses.
# A console program listens on a free port with nothing to do; its user and system
# time over 10 seconds is read from /proc. The figure is the share of one core used
# (lower is better; the target is an upper bound).
IDLE_TARGET=0.01
IDLE_SECONDS=${IDLE_SECONDS:-10}

# User plus system time of a process, in clock ticks.
cpu_ticks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    cp "$BUILD/quorvane-cli" "$SCRATCH/"
    printf '[Quorvane]\r\nWAN=0\r\n' >"$SCRATCH/quorvane-cli.ini"
    local port
    port=$((20000 + RANDOM % 30000))
    (cd "$SCRATCH" && exec ./quorvane-cli "$port" </dev/null >"$SCRATCH/out.txt" 2>&1) &
    local pid=$!
    sleep 2  # start-up is not idle time
    local before after hz
    hz=$(getconf CLK_TCK)
    before=$(cpu_ticks "$pid")
    sleep "$IDLE_SECONDS"
    after=$(cpu_ticks "$pid")
    kill -TERM "$pid"
    wait "$pid" || true
    local share
    share=$(awk -v t=$((after - before)) -v hz="$hz" -v s="$IDLE_SECONDS" \
        'BEGIN {printf "%.4f", t / hz / s}')
    echo "idle program: $((after - before)) ticks of CPU in ${IDLE_SECONDS} s (${hz} ticks/s)"
    echo "idle-cpu: ratio=$share target=$IDLE_TARGET"
}
