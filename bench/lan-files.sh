# Case "lan-files" of bench/run.sh: files between two PCs of the test bed's lan shaped
# to 1000 Mbit/s (scripts/netbed.sh, root). One 1 GiB file of random bytes sent
# resumable with MD5 off, and 10,000 files of 4 KiB (100 folders of 100) dropped in
# automatic mode. Each time runs from the drop until the receiver holds everything
# (the 1 GiB file compared byte for byte); R is the link's own minimum time (the bytes
# of the files over the link's rate) over ours. iperf3's figure on the same link is
# printed beside it. Both parts are stored where TMPDIR is; a disk's writeback of the
# gigabyte is let finish before the small files start.
LAN_FILES_RATE=${LAN_FILES_RATE:-1000}
LAN_FILES_BIG_MIB=${LAN_FILES_BIG_MIB:-1024}
LAN_FILES_FOLDERS=${LAN_FILES_FOLDERS:-100}
LAN_FILES_PER_FOLDER=${LAN_FILES_PER_FOLDER:-100}
LAN_FILES_BIG_TARGET=0.9
LAN_FILES_SMALL_TARGET=0.5

# lan_min_ms BYTES: the link's own time for BYTES at LAN_FILES_RATE Mbit/s.
lan_min_ms() {
    awk -v b="$1" -v r="$LAN_FILES_RATE" 'BEGIN { printf "%.0f", b * 8 / (r * 1000) }'
}

# lan_files_count FOLDER: the files below FOLDER (0 when it does not exist).
lan_files_count() {
    if [ -d "$1" ]; then find "$1" -type f | wc -l; else echo 0; fi
}

# lan_drop_ms PATH COUNT: drops PATH on the sender; the milliseconds until the
# receiver's folder holds COUNT files of it and the sender has written its summary.
lan_drop_ms() {
    local path=$1 count=$2 start end waited=0
    local stored=$RX/受信FILE/$(basename "$path")
    start=$(now_ms)
    tx_send "drop $path"
    wait_for_line "$TX/out.txt" '件 完了\[' 900
    until [ "$(lan_files_count "$stored")" -ge "$count" ] || [ -f "$stored" ]; do
        sleep 0.05
        waited=$((waited + 1))
        [ "$waited" -lt 6000 ] || { echo "bench: $stored is incomplete" >&2; exit 1; }
    done
    end=$(now_ms)
    echo $((end - start))
}

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    # shellcheck source=/dev/null
    source "$ROOT/bench/netbed-lib.bash"
    bed_require_root lan-files
    local big=$SCRATCH/src/big.bin tree=$SCRATCH/src/tree
    local total=$((LAN_FILES_FOLDERS * LAN_FILES_PER_FOLDER))
    random_file "$big" "$LAN_FILES_BIG_MIB"
    python3 - "$tree" "$LAN_FILES_FOLDERS" "$LAN_FILES_PER_FOLDER" <<'PY'
import os, sys
root, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for d in range(folders):
    os.makedirs(os.path.join(root, "d%03d" % d))
    for f in range(files):
        with open(os.path.join(root, "d%03d" % d, "f%04d.bin" % f), "wb") as out:
            out.write(os.urandom(4096))
PY
    cat "$big" >/dev/null
    bed_up "$LAN_FILES_RATE"
    local anchor big_ms small_ms big_errors small_errors
    anchor=$(bed_iperf 3)

    bed_start_pair "NO_RESUME_SEND=0\r\nMD5=0\r\nBUF=600000\r\n"
    big_ms=$(lan_drop_ms "$big" 1)
    big_errors=$(summary_errors)
    cmp -s "$big" "$RX/受信FILE/big.bin" || { echo "bench: the received file differs" >&2; exit 1; }
    stop_pair
    # The gigabyte just received is still being written back; the small files are
    # timed on a disk that is done with it, or they would measure that writeback.
    sync

    bed_start_pair ""
    small_ms=$(lan_drop_ms "$tree" "$total")
    small_errors=$(summary_errors)
    diff -r -q "$tree" "$RX/受信FILE/tree" >/dev/null ||
        { echo "bench: the received tree differs" >&2; exit 1; }
    stop_pair
    bed_down

    local big_bytes=$((LAN_FILES_BIG_MIB * 1024 * 1024)) small_bytes=$((total * 4096))
    local big_min small_min
    big_min=$(lan_min_ms "$big_bytes")
    small_min=$(lan_min_ms "$small_bytes")
    echo "lan ${LAN_FILES_RATE} Mbit/s (iperf3 $((anchor * 8 / 1000000)) Mbit/s):" \
        "$LAN_FILES_BIG_MIB MiB in ${big_ms} ms (link minimum $big_min ms, send errors $big_errors);" \
        "$total files of 4 KiB in ${small_ms} ms (link minimum $small_min ms, send errors $small_errors)"
    echo "lan-file-1g: ratio=$(ratio "$big_min" "$big_ms") target=$LAN_FILES_BIG_TARGET"
    echo "lan-small-files: ratio=$(ratio "$small_min" "$small_ms") target=$LAN_FILES_SMALL_TARGET"
}
