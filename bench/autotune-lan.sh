# Case "autotune-lan" of bench/run.sh: on the test bed's lan shaped to 100 Mbit/s
# (scripts/netbed.sh, root), the buffer auto-tune runs its whole search (about three
# minutes, the default size list) until "確定しました"; then a speed test with the size
# it chose is set against iperf3 on the same link. R is the smaller of ours/iperf3 and
# iperf3/ours for the summary average.
AUTOTUNE_RATE=${AUTOTUNE_RATE:-100}
AUTOTUNE_SECONDS=${AUTOTUNE_SECONDS:-6}
AUTOTUNE_TARGET=0.98

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    # shellcheck source=/dev/null
    source "$ROOT/bench/netbed-lib.bash"
    bed_require_root autotune-lan
    bed_up "$AUTOTUNE_RATE"
    local anchor chosen ours start end
    anchor=$(bed_iperf "$AUTOTUNE_SECONDS")
    bed_start_pair "AUTO=1\r\nBUF=4000\r\n"
    start=$(now_ms)
    tx_send send
    wait_for_line "$TX/out.txt" '確定しました' 400
    end=$(now_ms)
    chosen=$(grep -o '最適=[0-9]*\[NowCheck [0-9]*\.\.\]確定しました' "$TX/out.txt" | tail -1 |
        sed 's/最適=\([0-9]*\).*/\1/')
    tx_send stop
    wait_for_line "$TX/out.txt" '^# summary' 20
    sleep 2  # the stream winds down after its summary
    # The auto-tune wrote its size into the buffer field and turned itself off.
    tx_send send
    tx_send "wait $((AUTOTUNE_SECONDS * 1000))"
    tx_send stop
    wait_for_line "$TX/out.txt" '^# summary' $((AUTOTUNE_SECONDS + 20)) 2
    ours=$(bed_summary_average)
    grep '^# summary' "$TX/out.txt" | tail -1 | sed 's/^# /  with the chosen size: /'
    stop_pair
    bed_down
    echo "lan ${AUTOTUNE_RATE} Mbit/s: auto-tune settled in $(((end - start) / 1000)) s on" \
        "BUF=${chosen:-none}; with it our summary $ours B/s, iperf3 $anchor B/s"
    echo "autotune-lan: ratio=$(bed_ratio "${ours:-0}" "${anchor:-0}") target=$AUTOTUNE_TARGET"
}
