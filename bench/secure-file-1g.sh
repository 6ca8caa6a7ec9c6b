# Case "secure-file-1g" of bench/run.sh: one 1 GiB file of random bytes sent resumable
# with MD5 off from one console program to another on loopback, plain and then in the
# encrypted mode (SECURE=1, the same SEC_KEY on both), in one run with the file warm
# in the page cache. Each time runs from the drop to the sender's summary line, which
# comes after the receiver stored the file and answered "OK"; the received copy is
# compared with the original after each send. Every send starts after a `sync`, so
# that no send is slowed down by writing back what the one before stored; each
# figure is the best of SECURE_FILE_RUNS sends, plain and encrypted taking turns.
SECURE_FILE_SIZE_MIB=${SECURE_FILE_SIZE_MIB:-1024}
SECURE_FILE_BUF=${SECURE_FILE_BUF:-600000}
SECURE_FILE_RUNS=${SECURE_FILE_RUNS:-2}
SECURE_FILE_TARGET=0.6

# send_ms SRC INI_EXTRA: the milliseconds of sending SRC with INI_EXTRA on both
# programs, plus the CPU seconds both used (to stderr).
send_ms() {
    local src=$1 start end
    rm -rf "$SCRATCH/rx" "$SCRATCH/tx"
    sync
    start_pair "NO_RESUME_SEND=0\r\nMD5=0\r\nBUF=$SECURE_FILE_BUF\r\n$2"
    start=$(now_ms)
    tx_send "drop $src"
    wait_for_line "$TX/out.txt" '件 完了\[' 300
    end=$(now_ms)
    local errors
    errors=$(summary_errors)
    cmp -s "$src" "$RX/受信FILE/$(basename "$src")" ||
        { echo "bench: the received file differs" >&2; exit 1; }
    stop_pair
    children_cpu
    echo "  $((end - start)) ms, send errors $errors, cpu of both programs $CHILDREN_CPU s" \
        "($(ratio "$CHILDREN_CPU" "$(ratio $((end - start)) 1000)") cores)" >&2
    echo $((end - start))
}

# The smaller of two times; the first may be empty.
fastest() {
    if [ -z "$1" ] || [ "$2" -lt "$1" ]; then echo "$2"; else echo "$1"; fi
}

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    local src=$SCRATCH/src/big.bin plain_ms='' secure_ms='' mib=$SECURE_FILE_SIZE_MIB
    random_file "$src" "$mib"
    cat "$src" >/dev/null
    local ms
    for _ in $(seq "$SECURE_FILE_RUNS"); do
        echo "plain:" >&2
        ms=$(send_ms "$src" "")
        plain_ms=$(fastest "${plain_ms:-}" "$ms")
        echo "encrypted:" >&2
        ms=$(send_ms "$src" 'SEC_KEY=bench-key\r\nSECURE=1\r\n')
        secure_ms=$(fastest "${secure_ms:-}" "$ms")
    done
    echo "file of $mib MiB, BUF=$SECURE_FILE_BUF: plain ${plain_ms} ms" \
        "($(ratio $((mib * 1000)) "$plain_ms") MiB/s), encrypted ${secure_ms} ms" \
        "($(ratio $((mib * 1000)) "$secure_ms") MiB/s)"
    echo "cores: $(nproc), load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "secure-file-1g: ratio=$(ratio "$plain_ms" "$secure_ms") target=$SECURE_FILE_TARGET"
}
