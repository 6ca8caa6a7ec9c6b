# Shared by the cases of bench/run.sh that run on the test bed (scripts/netbed.sh,
# root): the lan topology made and removed around a case, iperf3 as the link's own
# figure, and the console pair of transfer-lib.bash placed on pc1 (sender) and pc2
# (receiver, 192.168.77.3:9001).
#
# Sourced after run.sh has defined ROOT, BUILD and scratch_dir; bed_start_pair also
# needs transfer-lib.bash.

BED_PREFIX=

bed_require_root() {
    [ "$(id -u)" -eq 0 ] || { echo "bench: $1 needs root (network namespaces)" >&2; exit 1; }
}

# bed_up RATE: makes lan shaped to RATE Mbit/s; it is removed when the script ends.
bed_up() {
    BED_PREFIX=qvbench$$r$1
    "$ROOT/scripts/netbed.sh" up lan --rate "$1" --prefix "$BED_PREFIX" >/dev/null
    trap '"$ROOT/scripts/netbed.sh" down "$BED_PREFIX"; cleanup' EXIT
}

bed_down() {
    "$ROOT/scripts/netbed.sh" down "$BED_PREFIX"
    trap cleanup EXIT
}

# bed_iperf SECONDS: iperf3's receiver rate in bytes per second from pc1 to pc2.
bed_iperf() {
    local seconds=$1 out
    timeout $((seconds + 10)) ip netns exec "$BED_PREFIX-pc2" iperf3 -s -1 >/dev/null 2>&1 &
    sleep 0.5
    out=$(timeout $((seconds + 10)) ip netns exec "$BED_PREFIX-pc1" \
        iperf3 -c 192.168.77.3 -t "$seconds" -f k)
    wait || true
    echo "$out" | awk '/receiver/ {
        for (i = 2; i <= NF; i++) if ($i == "Kbits/sec") printf "%.0f\n", $(i - 1) * 1000 / 8 }'
}

# bed_start_pair INI_EXTRA: like start_pair, with the receiver on pc2 and the sender on
# pc1 already pointed at it.
bed_start_pair() {
    local extra=$1
    RX=$SCRATCH/rx
    TX=$SCRATCH/tx
    rm -rf "$RX" "$TX"
    mkdir -p "$RX" "$TX"
    cp "$BUILD/quorvane-cli" "$RX/"
    cp "$BUILD/quorvane-cli" "$TX/"
    printf '[Quorvane]\r\nWAN=0\r\nNICNAME=bench\r\n%b' "$extra" >"$RX/quorvane-cli.ini"
    printf '[Quorvane]\r\nWAN=0\r\nNICNAME=bench\r\n%b' "$extra" >"$TX/quorvane-cli.ini"
    (cd "$RX" && exec ip netns exec "$BED_PREFIX-pc2" ./quorvane-cli 9001 </dev/null \
        >"$RX/out.txt" 2>&1) &
    RX_PID=$!
    mkfifo "$TX/in.fifo"
    (cd "$TX" && exec ip netns exec "$BED_PREFIX-pc1" ./quorvane-cli 0 <"$TX/in.fifo" \
        >"$TX/out.txt" 2>&1) &
    TX_PID=$!
    exec {TX_IN}>"$TX/in.fifo"
    wait_for_line "$RX/out.txt" '9001 番ポート待ち受け中' 10
    wait_for_line "$TX/out.txt" '^T Quorvane' 10
    tx_send "peer 192.168.77.3:9001"
}

# The average of the sender's last "# summary:" line in bytes per second.
bed_summary_average() {
    grep '^# summary' "$TX/out.txt" | tail -1 | sed -n 's/.* average \([0-9]*\) KB\/s.*/\1/p' |
        awk '{ print $1 * 1000 }'
}

# bed_ratio A B: the smaller of A/B and B/A with three decimals.
bed_ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN {
        if (a <= 0 || b <= 0) { print "0"; exit }
        r = a / b; if (r > 1) r = 1 / r; printf "%.3f", r }'
}
