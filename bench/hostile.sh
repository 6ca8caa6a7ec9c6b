# Case "hostile" of bench/run.sh: one console program under hostile peers on loopback.
#  - hostile-memory: five connections announce 9,999,999,999 bytes each and send as
#    fast as loopback allows (HOSTILE_MIB each at most, within HOSTILE_SECONDS); the
#    figure is 100 MB over the receiver's peak resident memory.
#  - hostile-starve: 200 idle connections (from 127.0.0.2) and 20 that trickle one
#    payload byte every 4 s (from 127.0.0.3), each opened again as soon as the
#    receiver drops it, while normal TEST requests arrive from 127.0.0.1; the figure
#    is 1 s over the slowest answer.
HOSTILE_MIB=${HOSTILE_MIB:-400}
HOSTILE_SECONDS=${HOSTILE_SECONDS:-20}
HOSTILE_TESTS=${HOSTILE_TESTS:-8}

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
    local slowest
    slowest=$(python3 "$ROOT/bench/hostile_peers.py" starve "$RX_PORT" "$HOSTILE_TESTS")
    grep -q 'Quorvane' "$RX/out.txt" && kill -0 "$RX_PID" || {
        echo "bench: the receiver ended" >&2
        exit 1
    }
    stop_pair
    echo "receiver peak resident memory: idle ${idle} kB, five huge announced transfers ${peak} kB;" \
        "slowest TEST answer under 220 hostile connections: ${slowest} ms"
    echo "hostile-memory: ratio=$(ratio 100000000 $((peak * 1024))) target=1.0"
    echo "hostile-starve: ratio=$(ratio 1000 "$slowest") target=1.0"
}
