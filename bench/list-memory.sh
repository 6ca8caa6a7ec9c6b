# Case "list-memory" of bench/run.sh: what a large list costs its receiver. A console
# program serves on loopback; bench/list_peers.py sends it
#  - list-memory-lst: one "** LST **" list of LIST_MB megabytes (some 1.6 million
#    lines to 100 MB), whose answer it reads;
#  - list-memory-pub1: one "** PUB1 **" public list of LIST_MB megabytes (some 1.9
#    million lines), after the program asked for it (`peerlist`), so the list is
#    kept for the pick dialog.
# The figure is the payload's size over the receiver's peak anonymous memory (its
# heap, some 3.4 MB when idle; the pages of a payload held in a mapped file are left
# out) while the list arrives and is handled, sampled every few milliseconds: 0.5 or
# more keeps the receiver within twice the list's size. The pick dialog that opens on the public list a second later
# is not part of the figure: its time and peak are printed beside it, then it is
# closed.
LIST_MB=${LIST_MB:-100}
LIST_TARGET=0.5

# The figures of one list_peers.py run: the line it ends with.
list_line_value() {
    echo "$1" | tail -1 | tr ' ' '\n' | awk -F= -v key="$2" '$1 == key {print $2}'
}

report_list() {
    local name=$1 line=$2 bytes idle peak kept
    bytes=$(list_line_value "$line" bytes)
    idle=$(list_line_value "$line" idle_kb)
    peak=$(list_line_value "$line" peak_kb)
    kept=$(list_line_value "$line" kept_kb)
    echo "$name: $(list_line_value "$line" lines) lines, $bytes bytes in" \
        "$(list_line_value "$line" ms) ms; receiver heap idle $idle kB, peak $peak kB," \
        "0.8 s later $kept kB; answer $(list_line_value "$line" answer)" >&2
    echo "$name: ratio=$(ratio "$bytes" $((peak * 1024))) target=$LIST_TARGET"
}

# Starts the receiver (RX_PID, folder RX, port RX_PORT) with commands from a FIFO.
start_receiver() {
    RX=$SCRATCH/rx
    mkdir -p "$RX"
    cp "$BUILD/quorvane-cli" "$RX/"
    printf '[Quorvane]\r\nWAN=0\r\nNICNAME=bench\r\nMD5=0\r\n' >"$RX/quorvane-cli.ini"
    RX_PORT=$(free_port)
    mkfifo "$RX/in.fifo"
    (cd "$RX" && exec ./quorvane-cli "$RX_PORT" <"$RX/in.fifo" >"$RX/out.txt" 2>&1) &
    RX_PID=$!
    exec {RX_IN}>"$RX/in.fifo"
    wait_for_line "$RX/out.txt" '^T Quorvane' 10
}

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    start_receiver
    sleep 1
    local lst pub1 asked_port peers=$ROOT/bench/list_peers.py
    lst=$(timeout 300 python3 "$peers" lst "$RX_PORT" "$LIST_MB" "$RX_PID")

    timeout 600 python3 "$peers" pub1 "$RX_PORT" "$LIST_MB" "$RX_PID" "$RX/out.txt" \
        >"$SCRATCH/pub1.txt" &
    local pub1_pid=$!
    wait_for_line "$SCRATCH/pub1.txt" '^[0-9][0-9]*$' 60
    asked_port=$(head -1 "$SCRATCH/pub1.txt")
    echo "peer 127.0.0.1:$asked_port" >&"$RX_IN"
    echo "peerlist" >&"$RX_IN"
    wait "$pub1_pid" || true
    pub1=$(cat "$SCRATCH/pub1.txt")
    # The pick dialog opens on the list: closed without picks, then the program ends.
    echo "close" >&"$RX_IN"
    echo "quit" >&"$RX_IN"
    exec {RX_IN}>&-
    timeout 120 tail --pid="$RX_PID" -f /dev/null || kill -TERM "$RX_PID" 2>/dev/null || true
    wait "$RX_PID" 2>/dev/null || true

    report_list list-memory-lst "$lst"
    report_list list-memory-pub1 "$pub1"
}
