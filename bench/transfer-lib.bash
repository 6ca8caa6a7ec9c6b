# Shared by the file-transfer cases of bench/run.sh (file-1g, small-files, rss):
# two console programs on loopback, a receiver serving on a free port and a sender
# driven through a FIFO, each in a folder of its own under the scratch folder.
#
# Sourced after run.sh has defined ROOT, BUILD and scratch_dir.

# A TCP port on 127.0.0.1 that was free a moment ago.
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# random_file PATH MIB: a file of MIB MiB of random bytes under the scratch folder's src/.
random_file() {
    mkdir -p "$(dirname "$1")"
    head -c "$(($2 * 1024 * 1024))" /dev/urandom >"$1"
}

# Milliseconds since the epoch.
now_ms() {
    date +%s%3N
}

# start_pair INI_EXTRA: starts the receiver (RX_PID, folder RX) and the sender (TX_PID,
# folder TX) with the INI lines INI_EXTRA ("KEY=VALUE" separated by "\r\n") on both.
start_pair() {
    local extra=$1
    RX=$SCRATCH/rx
    TX=$SCRATCH/tx
    mkdir -p "$RX" "$TX"
    cp "$BUILD/quorvane-cli" "$RX/"
    cp "$BUILD/quorvane-cli" "$TX/"
    printf '[Quorvane]\r\nWAN=0\r\nNICNAME=bench\r\n%b' "$extra" >"$RX/quorvane-cli.ini"
    printf '[Quorvane]\r\nWAN=0\r\nNICNAME=bench\r\n%b' "$extra" >"$TX/quorvane-cli.ini"
    RX_PORT=$(free_port)
    (cd "$RX" && exec ./quorvane-cli "$RX_PORT" </dev/null >"$RX/out.txt" 2>&1) &
    RX_PID=$!
    mkfifo "$TX/in.fifo"
    (cd "$TX" && exec ./quorvane-cli 0 <"$TX/in.fifo" >"$TX/out.txt" 2>&1) &
    TX_PID=$!
    exec {TX_IN}>"$TX/in.fifo"
    wait_for_line "$RX/out.txt" '^T Quorvane' 10
    wait_for_line "$TX/out.txt" '^T Quorvane' 10
    tx_send "peer 127.0.0.1:$RX_PORT"
}

# Sends one command line to the sender.
tx_send() {
    echo "$1" >&"$TX_IN"
}

# wait_for_line FILE REGEX SECONDS [COUNT]: waits until a line (COUNT lines) of FILE
# matches.
wait_for_line() {
    local file=$1 regex=$2 seconds=$3 count=${4:-1} waited=0 found
    while found=$(grep -c -- "$regex" "$file" 2>/dev/null); [ "${found:-0}" -lt "$count" ]; do
        sleep 0.01
        waited=$((waited + 1))
        if [ "$waited" -gt $((seconds * 100)) ]; then
            echo "bench: no line /$regex/ in $file within ${seconds} s" >&2
            tail -5 "$file" >&2
            exit 1
        fi
    done
}

# The milliseconds and the error count of the sender's last summary line.
summary_ms() {
    grep -o '件 完了\[[0-9]*㍉秒\]' "$TX/out.txt" | tail -1 | grep -o '[0-9]*'
}
summary_errors() {
    grep -o 'エラー件数:[0-9]*' "$TX/out.txt" | tail -1 | grep -o '[0-9]*$'
}

# Peak resident memory of a process in kB.
peak_rss_kb() {
    awk '/^VmHWM:/ {print $2}' "/proc/$1/status"
}

stop_pair() {
    tx_send quit
    exec {TX_IN}>&-
    kill -TERM "$RX_PID" 2>/dev/null || true
    wait "$TX_PID" 2>/dev/null || true
    wait "$RX_PID" 2>/dev/null || true
}

# ratio A B: A / B with three decimals.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "0"; else printf "%.3f", a / b }'
}

# Time in ms of `nc` piping FILE over loopback into OUT.
nc_copy_ms() {
    local file=$1 out=$2 port start end
    port=$(free_port)
    nc -l 127.0.0.1 "$port" >"$out" &
    local listener=$!
    sleep 0.3
    start=$(now_ms)
    nc -N 127.0.0.1 "$port" <"$file"
    wait "$listener"
    end=$(now_ms)
    echo $((end - start))
}

# Sets CHILDREN_CPU to the CPU seconds (user + system) that this shell's waited-for
# children used. It reads /proc without forking: a forked shell would count none.
children_cpu() {
    local stat
    read -r -a stat <"/proc/$BASHPID/stat"
    # shellcheck disable=SC2034 # read by the cases
    CHILDREN_CPU=$(ratio $((stat[15] + stat[16])) "$(getconf CLK_TCK)")
}
