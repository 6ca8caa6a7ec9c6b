# Case "hostile" of bench/run.sh: one console program under hostile peers on loopback.
#  - hostile-memory: five connections announce 9,999,999,999 bytes each and send as
#    fast as loopback allows (HOSTILE_MIB each at most, within HOSTILE_SECONDS); the
#    figure is 100 MB over the receiver's peak resident memory.
#  - hostile-starve: 200 idle connections (from 127.0.0.2) and 20 that trickle one
#    payload byte every 4 s (from 127.0.0.3), each opened again as soon as the
#    receiver drops it, while normal TEST requests arrive from 127.0.0.1; run
#    HOSTILE_RUNS times, the figure is 1 s over the slowest answer of all runs.
#  - hostile-pub1: each round three peers ask for the public list toward a loopback
#    port whose connects hang (its accept queue is full), then a TEST is timed; the
#    figure is 1 s over the slowest answer.
HOSTILE_MIB=${HOSTILE_MIB:-400}
HOSTILE_SECONDS=${HOSTILE_SECONDS:-20}
HOSTILE_TESTS=${HOSTILE_TESTS:-8}
HOSTILE_RUNS=${HOSTILE_RUNS:-10}
HOSTILE_PUB1_ROUNDS=${HOSTILE_PUB1_ROUNDS:-8}

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    start_pair ""
    local idle peak
    idle=$(peak_rss_kb "$RX_PID")
    python3 "$ROOT/bench/hostile_peers.py" memory "$RX_PORT" "$HOSTILE_MIB" "$HOSTILE_SECONDS"
    peak=$(peak_rss_kb "$RX_PID")
    local slowest=0 run one runs=""
    for ((run = 1; run <= HOSTILE_RUNS; run++)); do
        one=$(python3 "$ROOT/bench/hostile_peers.py" starve "$RX_PORT" "$HOSTILE_TESTS")
        runs+=" $one"
        if [ "$one" -gt "$slowest" ]; then slowest=$one; fi
    done
    local pub1
    pub1=$(python3 "$ROOT/bench/hostile_peers.py" pub1 "$RX_PORT" "$HOSTILE_PUB1_ROUNDS")
    grep -q 'Quorvane' "$RX/out.txt" && kill -0 "$RX_PID" || {
        echo "bench: the receiver ended" >&2
        exit 1
    }
    stop_pair
    echo "receiver peak resident memory: idle ${idle} kB, five huge announced transfers ${peak} kB;" \
        "slowest TEST answer under 220 hostile connections: ${slowest} ms (runs, ms:${runs});" \
        "slowest TEST answer behind hanging public-list answers: ${pub1} ms"
    echo "hostile-memory: ratio=$(ratio 100000000 $((peak * 1024))) target=1.0"
    echo "hostile-starve: ratio=$(ratio 1000 "$slowest") target=1.0"
    echo "hostile-pub1: ratio=$(ratio 1000 "$pub1") target=1.0"
}
