# Case "small-files" of bench/run.sh: 10,000 files of 4 KiB in a folder tree (100
# folders of 100 files) dropped on one console program in automatic mode and stored by
# another on loopback, against `tar` piped through `nc` into `tar`, in one run. Both
# times run from the start until the receiving side holds every file; the figure is
# files per second, ours over tar's.
SMALL_FILES_FOLDERS=${SMALL_FILES_FOLDERS:-100}
SMALL_FILES_PER_FOLDER=${SMALL_FILES_PER_FOLDER:-100}
SMALL_FILES_TARGET=0.5

# count_files FOLDER: the files below FOLDER (0 when it does not exist).
count_files() {
    if [ -d "$1" ]; then find "$1" -type f | wc -l; else echo 0; fi
}

# wait_for_files FOLDER COUNT SECONDS
wait_for_files() {
    local folder=$1 count=$2 seconds=$3 waited=0
    until [ "$(count_files "$folder")" -ge "$count" ]; do
        sleep 0.05
        waited=$((waited + 1))
        if [ "$waited" -gt $((seconds * 20)) ]; then
            echo "bench: $folder holds $(count_files "$folder") of $count files" >&2
            exit 1
        fi
    done
}

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    local total=$((SMALL_FILES_FOLDERS * SMALL_FILES_PER_FOLDER))
    python3 - "$SCRATCH/src/tree" "$SMALL_FILES_FOLDERS" "$SMALL_FILES_PER_FOLDER" <<'PY'
import os, sys
root, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for d in range(folders):
    folder = os.path.join(root, "d%03d" % d)
    os.makedirs(folder)
    for f in range(files):
        with open(os.path.join(folder, "f%04d.bin" % f), "wb") as out:
            out.write(os.urandom(4096))
PY
    tar -C "$SCRATCH/src" -cf - tree >/dev/null  # warm the page cache

    local port start end tar_ms ours_ms
    mkdir -p "$SCRATCH/tar.out"
    port=$(free_port)
    (nc -l 127.0.0.1 "$port" | tar -C "$SCRATCH/tar.out" -xf -) &
    local receiver=$!
    sleep 0.3
    start=$(now_ms)
    tar -C "$SCRATCH/src" -cf - tree | nc -N 127.0.0.1 "$port"
    wait "$receiver"
    end=$(now_ms)
    tar_ms=$((end - start))
    [ "$(count_files "$SCRATCH/tar.out/tree")" -eq "$total" ] || {
        echo "bench: tar delivered $(count_files "$SCRATCH/tar.out/tree") files" >&2
        exit 1
    }

    start_pair ""
    start=$(now_ms)
    tx_send "drop $SCRATCH/src/tree"
    wait_for_line "$TX/out.txt" '件 完了\[' 600
    end=$(now_ms)
    # The sender's summary follows the receiver's answer to the last Pack, which comes
    # once its files are stored; counting 10,000 files takes longer than that, so it is
    # timed only when files are still missing.
    if [ "$(count_files "$RX/受信FILE/tree")" -lt "$total" ]; then
        wait_for_files "$RX/受信FILE/tree" "$total" 600
        end=$(now_ms)
    fi
    ours_ms=$((end - start))
    local errors connections
    errors=$(summary_errors)
    connections=$(grep -c 'よりファイル受信】' "$RX/out.txt" || true)
    diff -r -q "$SCRATCH/src/tree" "$RX/受信FILE/tree" >/dev/null || {
        echo "bench: the received tree differs" >&2
        exit 1
    }
    stop_pair

    echo "$total files of 4 KiB: quorvane ${ours_ms} ms ($(ratio $((total * 1000)) "$ours_ms") files/s," \
        "$connections requests received, send errors $errors)," \
        "tar|nc|tar ${tar_ms} ms ($(ratio $((total * 1000)) "$tar_ms") files/s)"
    echo "small-files: ratio=$(ratio "$tar_ms" "$ours_ms") target=$SMALL_FILES_TARGET"
}
