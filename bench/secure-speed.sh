# Case "secure-speed" of bench/run.sh: our speed test in the encrypted mode (SECURE=1,
# the same SEC_KEY on both programs) against plain iperf3 on loopback, in the same run
# and with the same write size and duration; the measuring is speed's (bench/speed.sh).
# A secure listener refuses plain connections, so a figure above 0 was encrypted.
#
# Every byte is encrypted once and decrypted once on the two cores that the four
# busy threads (two programs, two pumps) share, where iperf3 only copies: the CPU
# seconds printed beside each run tell whether the cores were the limit.
# shellcheck source=/dev/null
source "$ROOT/bench/speed.sh"
SECURE_SPEED_TARGET=0.5
SECURE_SPEED_SIZE=${SECURE_SPEED_SIZE:-600000}

run_case() {
    build_targets quorvane-cli
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    command -v iperf3 >/dev/null || { echo "bench: iperf3 is missing" >&2; exit 1; }
    scratch_dir >/dev/null
    speed_best_of_runs "$SECURE_SPEED_SIZE" secure
    echo "write size $SECURE_SPEED_SIZE, encrypted: ours $OURS B/s, iperf3 (plain) $ANCHOR B/s"
    echo "cores: $(nproc), load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "secure-speed: ratio=$(speed_ratio "$OURS" "$ANCHOR") target=$SECURE_SPEED_TARGET"
}
