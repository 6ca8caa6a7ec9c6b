# Case "small-files" of bench/run.sh: 10,000 files of 4 KiB in a folder tree (100
# folders of 100 files) dropped on one console program in automatic mode and stored by
# another on loopback, against `tar` piped through `nc` into `tar`, in one run. Both
# times run from the start until the receiving side holds every file; the figure is
# files per second, ours over tar's, from the median times of a few rounds that
# alternate the two (a loaded machine swings from round to round).
#
# The judged figure is measured on a tmpfs (TMPDIR when it is one, else /dev/shm),
# where only the two programs' work counts; the same on the disk of TMPDIR is printed
# beside it, swinging with the disk's writeback. Every round checks that the received
# tree holds the same names, contents and last-write seconds.
SMALL_FILES_FOLDERS=${SMALL_FILES_FOLDERS:-100}
SMALL_FILES_PER_FOLDER=${SMALL_FILES_PER_FOLDER:-100}
SMALL_FILES_ROUNDS=${SMALL_FILES_ROUNDS:-3}
# INI lines for both programs ("KEY=VALUE" separated by "\r\n"), e.g. 'MD5=1\r\n'.
SMALL_FILES_INI=${SMALL_FILES_INI:-}
SMALL_FILES_TARGET=1.0
SMALL_FILES_TMPFS=

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

# is_tmpfs FOLDER
is_tmpfs() {
    [ "$(stat -f -c %T "$1" 2>/dev/null)" = tmpfs ]
}

# make_tree FOLDER: the source tree, warm in the page cache.
make_tree() {
    python3 - "$1/src/tree" "$SMALL_FILES_FOLDERS" "$SMALL_FILES_PER_FOLDER" <<'PY'
import os, sys
root, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for d in range(folders):
    folder = os.path.join(root, "d%03d" % d)
    os.makedirs(folder)
    for f in range(files):
        with open(os.path.join(folder, "f%04d.bin" % f), "wb") as out:
            out.write(os.urandom(4096))
PY
    tar -C "$1/src" -cf - tree >/dev/null
}

# tar_round FOLDER: prints the milliseconds of tar | nc | tar into FOLDER/tar.out.
tar_round() {
    local base=$1 total=$2 port start end
    rm -rf "$base/tar.out"
    mkdir -p "$base/tar.out"
    port=$(free_port)
    (nc -l 127.0.0.1 "$port" | tar -C "$base/tar.out" -xf -) &
    local receiver=$!
    sleep 0.3
    start=$(now_ms)
    tar -C "$base/src" -cf - tree | nc -N 127.0.0.1 "$port"
    wait "$receiver"
    end=$(now_ms)
    [ "$(count_files "$base/tar.out/tree")" -eq "$total" ] || {
        echo "bench: tar delivered $(count_files "$base/tar.out/tree") files" >&2
        exit 1
    }
    echo $((end - start))
}

# ours_round FOLDER TOTAL: prints "MS ERRORS REQUESTS" of our pair in FOLDER (the
# pair runs in FOLDER/rx and FOLDER/tx).
ours_round() {
    local base=$1 total=$2 start end saved=$SCRATCH
    rm -rf "$base/rx" "$base/tx"
    SCRATCH=$base
    start_pair "$SMALL_FILES_INI"
    start=$(now_ms)
    tx_send "drop $base/src/tree"
    wait_for_line "$TX/out.txt" '件 完了\[' 600
    end=$(now_ms)
    # The sender's summary follows the receiver's answer to the last Pack, which comes
    # once its files are stored; counting 10,000 files takes longer than that, so it is
    # timed only when files are still missing.
    if [ "$(count_files "$RX/受信FILE/tree")" -lt "$total" ]; then
        wait_for_files "$RX/受信FILE/tree" "$total" 600
        end=$(now_ms)
    fi
    local errors connections
    errors=$(summary_errors)
    connections=$(grep -c 'よりファイル受信】' "$RX/out.txt" || true)
    diff -r -q "$base/src/tree" "$RX/受信FILE/tree" >/dev/null || {
        echo "bench: the received tree differs" >&2
        exit 1
    }
    [ "$(file_times "$base/src/tree")" = "$(file_times "$RX/受信FILE/tree")" ] || {
        echo "bench: the received files' times differ" >&2
        exit 1
    }
    stop_pair
    SCRATCH=$saved
    echo "$((end - start)) $errors $connections"
}

# file_times FOLDER: each file's name and last-write second, sorted.
file_times() {
    (cd "$1" && find . -type f -printf '%P %Ts\n' | sort)
}

# median N...
median() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# measure_in FOLDER LABEL: the rounds in FOLDER; prints one line and sets RATIO.
measure_in() {
    local base=$1 label=$2 total=$((SMALL_FILES_FOLDERS * SMALL_FILES_PER_FOLDER))
    local ours=() tars=() round result errors=0 requests=0
    make_tree "$base"
    for ((round = 0; round < SMALL_FILES_ROUNDS; round++)); do
        result=$(tar_round "$base" "$total") || exit 1
        tars+=("$result")
        result=$(ours_round "$base" "$total") || exit 1
        ours+=("${result%% *}")
        result=${result#* }
        errors=$((errors + ${result%% *}))
        requests=${result#* }
    done
    local ours_ms tar_ms
    ours_ms=$(median "${ours[@]}")
    tar_ms=$(median "${tars[@]}")
    RATIO=$(ratio "$tar_ms" "$ours_ms")
    echo "$label: $total files of 4 KiB, median of $SMALL_FILES_ROUNDS: quorvane ${ours_ms} ms" \
        "($(ratio $((total * 1000)) "$ours_ms") files/s; rounds ${ours[*]}; $requests requests" \
        "received, send errors $errors), tar|nc|tar ${tar_ms} ms" \
        "($(ratio $((total * 1000)) "$tar_ms") files/s; rounds ${tars[*]}): ratio=$RATIO"
}

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    local tmpfs=$SCRATCH/tmpfs
    if is_tmpfs "$SCRATCH"; then
        mkdir -p "$tmpfs"
    elif is_tmpfs /dev/shm; then
        SMALL_FILES_TMPFS=$(mktemp -d /dev/shm/qv-bench-XXXXXX)
        tmpfs=$SMALL_FILES_TMPFS
        trap 'rm -rf -- "$SMALL_FILES_TMPFS"; cleanup' EXIT
    else
        echo "bench: no tmpfs (neither TMPDIR nor /dev/shm)" >&2
        exit 1
    fi
    local disk=$SCRATCH/disk
    mkdir -p "$disk"
    measure_in "$tmpfs" "tmpfs"
    local judged=$RATIO
    rm -rf -- "$tmpfs"/*
    if is_tmpfs "$SCRATCH"; then
        echo "disk: not measured (TMPDIR is a tmpfs)"
    else
        measure_in "$disk" "disk"
    fi
    echo "small-files: ratio=$judged target=$SMALL_FILES_TARGET"
}
