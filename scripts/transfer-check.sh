#!/usr/bin/env bash
# The file transfer end to end, too heavy for the test suite: two console programs on
# loopback, each in a temporary folder of its own.
#
#  1. A folder tree with Japanese names (one with "ソ", whose second byte is a
#     backslash) and mixed sizes (empty, 1 byte, 1.4 MB, 1.6 MB, 40 MB and a sparse
#     file of 2.5 GiB) is dropped with MD5 off and then with MD5 on; every file must
#     arrive under 受信FILE with the same digest and last-write time, and the summary
#     must count no errors.
#  2. A resumable send of the 2.5 GiB file whose receiver is killed half-way: after
#     the receiver's restart the same drop continues from the offset it stored, and
#     the file arrives identical.
#
# Usage: scripts/transfer-check.sh [BUILD_DIR]   (default: build; needs quorvane-cli)
set -euo pipefail
# The console programs speak Japanese: the lines read here are its Japanese texts.
export QUORVANE_LANG=ja
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/qv-transfer-XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; wait; rm -rf -- "$SCRATCH"' EXIT
# shellcheck source=/dev/null
source "$ROOT/bench/transfer-lib.bash"

SRC=$SCRATCH/src
TREE=送信テスト
HUGE=$TREE/大容量ソ/sparse.img

make_tree() {
    mkdir -p "$SRC/$TREE/資料ソ/空" "$SRC/$TREE/大容量ソ"
    : >"$SRC/$TREE/空ファイル.txt"
    printf 'x' >"$SRC/$TREE/資料ソ/一バイト.bin"
    head -c 1400000 /dev/urandom >"$SRC/$TREE/資料ソ/1.4MB.bin"
    head -c 1600000 /dev/urandom >"$SRC/$TREE/資料ソ/1.6MB.bin"
    head -c 40000000 /dev/urandom >"$SRC/$TREE/大容量ソ/40MB.bin"
    : >"$SRC/$TREE/資料ソ/空/empty.dat"
    # 2.5 GiB, mostly holes, with data at the start, in the middle and at the end.
    truncate -s 2560M "$SRC/$HUGE"
    for at in 0 1300 2559; do
        head -c 1048576 /dev/urandom | dd of="$SRC/$HUGE" bs=1M seek="$at" conv=notrunc status=none
    done
    touch -d '2020-02-29 12:34:56' "$SRC/$TREE/資料ソ/1.4MB.bin"
}

# compare_tree RECEIVED: every file of the tree with the same digest and mtime.
compare_tree() {
    local received=$1 failed=0 file
    while IFS= read -r -d '' file; do
        local rel=${file#"$SRC/"}
        if [ ! -f "$received/$rel" ]; then
            echo "  missing: $rel"
            failed=1
            continue
        fi
        local a b
        a=$(md5sum <"$file" | cut -d' ' -f1)
        b=$(md5sum <"$received/$rel" | cut -d' ' -f1)
        [ "$a" = "$b" ] || { echo "  digest differs: $rel"; failed=1; }
        [ "$(stat -c %Y "$file")" = "$(stat -c %Y "$received/$rel")" ] ||
            { echo "  last-write time differs: $rel"; failed=1; }
    done < <(find "$SRC/$TREE" -type f -print0)
    return $failed
}

# The summary line of the sender's last queue run.
last_summary() {
    grep '件 完了\[' "$TX/out.txt" | tail -1
}

run_tree() {
    local md5=$1
    echo "== The tree with MD5=$md5 =="
    rm -rf "$SCRATCH/rx" "$SCRATCH/tx"
    start_pair "MD5=$md5\r\nBUF=600000\r\n"
    local start end
    start=$(now_ms)
    tx_send "drop $SRC/$TREE"
    wait_for_line "$TX/out.txt" '件 完了\[' 900
    end=$(now_ms)
    echo "  $(last_summary | sed 's/^U //') in $((end - start)) ms"
    if ! last_summary | grep -q 'エラー件数:0$'; then
        grep '送信エラー】' "$TX/out.txt" | sed 's/^/  /'
        echo "  FAILED: the summary counts errors"
        exit 1
    fi
    # A Pack needs no answer, so the receiver may still be storing the last one.
    local tries=0
    until compare_tree "$RX/受信FILE" >/dev/null; do
        tries=$((tries + 1))
        [ "$tries" -lt 60 ] || { compare_tree "$RX/受信FILE" || true; echo "  FAILED: the tree differs"; exit 1; }
        sleep 1
    done
    echo "  every file arrived with its digest and last-write time"
    stop_pair
}

# Starts the receiver again in its folder, on its port.
restart_receiver() {
    (cd "$RX" && exec ./quorvane-cli "$RX_PORT" </dev/null >>"$RX/out.txt" 2>&1) &
    RX_PID=$!
    sleep 1
}

run_interrupted() {
    echo "== A resumable send of the 2.5 GiB file, receiver killed half-way =="
    rm -rf "$SCRATCH/rx" "$SCRATCH/tx"
    start_pair "NO_RESUME_SEND=0\r\nMD5=1\r\nBUF=600000\r\n"
    local tmp="$RX/受信FILE/sparse.img.tmp" size=$((2560 * 1024 * 1024))
    tx_send "drop $SRC/$HUGE"
    until [ -f "$tmp" ] && [ "$(stat -c %s "$tmp")" -gt $((size / 2)) ]; do sleep 0.02; done
    kill -KILL "$RX_PID"
    wait "$RX_PID" 2>/dev/null || true
    local held
    held=$(stat -c %s "$tmp")
    echo "  receiver killed holding $held of $size bytes"
    wait_for_line "$TX/out.txt" '件 完了\[' 120
    echo "  first attempt: $(last_summary | sed 's/^U //')"
    restart_receiver
    local runs
    runs=$(grep -c '件 完了\[' "$TX/out.txt")
    tx_send "drop $SRC/$HUGE"
    until [ "$(grep -c '件 完了\[' "$TX/out.txt")" -gt "$runs" ]; do sleep 0.1; done
    local resumed
    resumed=$(grep -o '・\[[0-9]* ～ [0-9]* Byte\]' "$TX/out.txt" | tail -1)
    echo "  second attempt: $resumed, $(last_summary | sed 's/^U //')"
    if ! last_summary | grep -q 'エラー件数:0$'; then
        grep '送信エラー】' "$TX/out.txt" | sed 's/^/  /'
        echo "  FAILED: the second attempt failed"
        exit 1
    fi
    [ "$(echo "$resumed" | grep -o '[0-9]*' | head -1)" -gt 0 ] ||
        { echo "  FAILED: the send started again from 0"; exit 1; }
    cmp -s "$SRC/$HUGE" "$RX/受信FILE/sparse.img" || { echo "  FAILED: the file differs"; exit 1; }
    [ ! -e "$tmp" ] || { echo "  FAILED: the resume file is left"; exit 1; }
    echo "  the file arrived identical"
    stop_pair
}

make_tree
run_tree 0
run_tree 1
run_interrupted
echo "== All checks passed =="
