# Case "rss" of bench/run.sh: the peak resident memory (VmHWM) of each of two console
# programs while one sends the other a 1 GiB file resumable on loopback (MD5 off).
# The figure is 64 MB over the larger peak: 1.0 or more keeps both under 64 MB.
RSS_SIZE_MIB=${RSS_SIZE_MIB:-1024}
RSS_BUF=${RSS_BUF:-600000}
RSS_LIMIT_BYTES=64000000
RSS_TARGET=1.0

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    local src=$SCRATCH/src/big.bin
    random_file "$src" "$RSS_SIZE_MIB"

    start_pair "NO_RESUME_SEND=0\r\nMD5=0\r\nBUF=$RSS_BUF\r\n"
    local tx_idle rx_idle
    tx_idle=$(peak_rss_kb "$TX_PID")
    rx_idle=$(peak_rss_kb "$RX_PID")
    tx_send "drop $src"
    wait_for_line "$TX/out.txt" '件 完了\[' 600
    local tx_peak rx_peak
    tx_peak=$(peak_rss_kb "$TX_PID")
    rx_peak=$(peak_rss_kb "$RX_PID")
    cmp -s "$src" "$RX/受信FILE/big.bin" || { echo "bench: the received file differs" >&2; exit 1; }
    stop_pair

    local larger=$((tx_peak > rx_peak ? tx_peak : rx_peak))
    echo "peak resident memory (idle -> after $RSS_SIZE_MIB MiB): sender ${tx_idle} -> ${tx_peak} kB," \
        "receiver ${rx_idle} -> ${rx_peak} kB"
    echo "rss: ratio=$(ratio "$RSS_LIMIT_BYTES" $((larger * 1024))) target=$RSS_TARGET"
}
