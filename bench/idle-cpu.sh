# Case "idle-cpu" of bench/run.sh: the processor time that an idle program uses.
# First a console program listens on a free port with nothing to do; then two programs
# run a short speed test, one streaming to the other, and stay open after Stop. The
# user and system time of each over 10 seconds is read from /proc. Each figure is the
# share of one core used (lower is better; the target is an upper bound); after the
# test it is the larger of the two programs' shares.
IDLE_TARGET=0.01
IDLE_SECONDS=${IDLE_SECONDS:-10}

# User plus system time of a process, in clock ticks.
cpu_ticks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}

# Installs a console program in folder $1.
idle_install() {
    mkdir -p "$1"
    cp "$BUILD/quorvane-cli" "$1/"
    printf '[Quorvane]\r\nWAN=0\r\n' >"$1/quorvane-cli.ini"
}

# The share of one core that the processes $@ used over IDLE_SECONDS, the largest.
idle_share() {
    local pid hz before=() after=() i=0 share worst=0
    hz=$(getconf CLK_TCK)
    for pid in "$@"; do before+=("$(cpu_ticks "$pid")"); done
    sleep "$IDLE_SECONDS"
    for pid in "$@"; do after+=("$(cpu_ticks "$pid")"); done
    for pid in "$@"; do
        share=$(awk -v t=$((after[i] - before[i])) -v hz="$hz" -v s="$IDLE_SECONDS" \
            'BEGIN {printf "%.4f", t / hz / s}')
        echo "  process $pid: $((after[i] - before[i])) ticks of CPU in ${IDLE_SECONDS} s" >&2
        worst=$(awk -v a="$share" -v b="$worst" 'BEGIN {print (a > b) ? a : b}')
        i=$((i + 1))
    done
    printf '%.4f\n' "$worst"
}

idle_alone() {
    idle_install "$SCRATCH/alone"
    (cd "$SCRATCH/alone" && exec ./quorvane-cli "$(free_port)" </dev/null >out.txt 2>&1) &
    local pid=$!
    sleep 2  # start-up is not idle time
    IDLE_ALONE=$(idle_share "$pid")
    kill -TERM "$pid"
    wait "$pid" || true
}

# Starts a console program in folder $1 on port $2 that reads its commands from the
# pipe $1/in; sets STARTED to its process id.
idle_start() {
    mkfifo "$1/in"
    (cd "$1" && exec ./quorvane-cli "$2" <in >out.txt 2>&1) &
    STARTED=$!
}

# Two programs: a 2-second speed test from the first to the second, then both idle.
idle_after_test() {
    local a=$SCRATCH/after-a b=$SCRATCH/after-b port_b sender receiver
    idle_install "$a"
    idle_install "$b"
    port_b=$(free_port)
    idle_start "$b" "$port_b"
    receiver=$STARTED
    exec 8>"$b/in"
    idle_start "$a" "$(free_port)"
    sender=$STARTED
    exec 7>"$a/in"
    sleep 1
    printf 'peer 127.0.0.1:%s\nsend\nwait 2000\nstop\n' "$port_b" >&7
    sleep 5  # the test and its end are not idle time
    IDLE_AFTER=$(idle_share "$sender" "$receiver")
    echo quit >&7
    echo quit >&8
    exec 7>&- 8>&-
    wait "$sender" "$receiver" || true
    grep -q '^# summary' "$a/out.txt" || { echo "bench: the speed test did not run" >&2; exit 1; }
}

run_case() {
    build_targets quorvane-cli
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    scratch_dir >/dev/null
    idle_alone
    idle_after_test
    echo "idle-cpu: ratio=$IDLE_ALONE target=$IDLE_TARGET"
    echo "idle-cpu-after-test: ratio=$IDLE_AFTER target=$IDLE_TARGET"
}
