# Case "file-1g" of bench/run.sh: one 1 GiB file of random bytes sent resumable with
# MD5 off from one console program to another on loopback, against `nc` piping the
# same file into a file and against a plain disk write of it (`dd`), all in one run
# with the file warm in the page cache. Our time runs from the drop to the sender's
# summary line, which comes after the receiver stored the file and answered "OK".
# Against the disk write like is compared with like: both times end where the data
# sit in the page cache, and both again after a final `sync` (the judged figure);
# both pairs are printed.
FILE1G_SIZE_MIB=${FILE1G_SIZE_MIB:-1024}
FILE1G_BUF=${FILE1G_BUF:-600000}
FILE1G_NC_TARGET=2.0
FILE1G_DISK_TARGET=0.8

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    local src=$SCRATCH/src/big.bin
    random_file "$src" "$FILE1G_SIZE_MIB"
    cat "$src" >/dev/null

    local nc_ms dd_ms start end ours_ms
    nc_ms=$(nc_copy_ms "$src" "$SCRATCH/nc.out")
    cmp -s "$src" "$SCRATCH/nc.out" || { echo "bench: nc copy differs" >&2; exit 1; }
    rm -f "$SCRATCH/nc.out"
    sync
    start=$(now_ms)
    dd if="$src" of="$SCRATCH/dd.out" bs=1M status=none
    end=$(now_ms)
    sync
    local dd_sync_ms=$(($(now_ms) - start))
    dd_ms=$((end - start))
    rm -f "$SCRATCH/dd.out"
    sync

    start_pair "NO_RESUME_SEND=0\r\nMD5=0\r\nBUF=$FILE1G_BUF\r\n"
    start=$(now_ms)
    tx_send "drop $src"
    wait_for_line "$TX/out.txt" '件 完了\[' 600
    end=$(now_ms)
    sync
    local ours_sync_ms=$(($(now_ms) - start))
    ours_ms=$((end - start))
    local errors
    errors=$(summary_errors)
    cmp -s "$src" "$RX/受信FILE/big.bin" || { echo "bench: the received file differs" >&2; exit 1; }
    stop_pair

    local mib=$FILE1G_SIZE_MIB
    echo "file of $mib MiB, BUF=$FILE1G_BUF: quorvane ${ours_ms} ms ($(ratio $((mib * 1000)) "$ours_ms") MiB/s," \
        "send errors $errors), nc ${nc_ms} ms ($(ratio $((mib * 1000)) "$nc_ms") MiB/s)," \
        "dd ${dd_ms} ms ($(ratio $((mib * 1000)) "$dd_ms") MiB/s)"
    echo "with a final sync on both sides: quorvane ${ours_sync_ms} ms, dd ${dd_sync_ms} ms;" \
        "without: ratio=$(ratio "$dd_ms" "$ours_ms")"
    echo "file-1g-vs-nc: ratio=$(ratio "$nc_ms" "$ours_ms") target=$FILE1G_NC_TARGET"
    echo "file-1g-vs-disk: ratio=$(ratio "$dd_sync_ms" "$ours_sync_ms") target=$FILE1G_DISK_TARGET"
}
