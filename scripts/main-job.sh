#!/usr/bin/env bash
# The main job: two console programs on loopback, each in its own temporary folder.
# The first streams test data to the second for 10 seconds while both print their
# rate display every second; then Stop ends the test and the first prints its summary
# line. Usage: scripts/main-job.sh BUILD_DIR
set -euo pipefail
# The console programs speak Japanese: the lines read here are its Japanese texts.
export QUORVANE_LANG=ja
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

# A TCP port that nobody listens on now.
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 30000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return
        fi
    done
}

# Installs a console program in folder $1, in LAN mode so that no question is asked.
install_program() {
    mkdir -p "$1"
    cp "$build/quorvane-cli" "$1/"
    printf '[Quorvane]\r\nWAN=0\r\n' >"$1/quorvane-cli.ini"
}

# Prints the lines of a program's output that a user watches: logs, notes, messages.
shown() { grep -E '^(U|L|M|#) ' "$1" || true; }

port_a=$(free_port)
port_b=$(free_port)
install_program "$work/a"
install_program "$work/b"

echo "== Receiver: quorvane-cli $port_b in $work/b =="
(cd "$work/b" && printf 'wait 16000\nquit\n' | ./quorvane-cli "$port_b" >"$work/b.out" 2>&1) &
receiver=$!
sleep 1

echo "== Sender: quorvane-cli $port_a in $work/a, 10 seconds of 送信, then 停止 =="
(cd "$work/a" && printf 'peer 127.0.0.1:%s\nsend\nwait 10000\nstop\nwait 1500\nquit\n' \
    "$port_b" | ./quorvane-cli "$port_a" >"$work/a.out" 2>&1)
wait "$receiver"

echo "== What the sender showed =="
shown "$work/a.out"
echo "== What the receiver showed =="
shown "$work/b.out"

grep -q '【速度テスト終了(停止ボタンが押されました)】' "$work/a.out" &&
    grep -q '^# summary: ' "$work/a.out" &&
    grep -q '^L 受信←\[平均\] *[1-9]' "$work/b.out" || {
    echo "main job: the speed test did not run as expected" >&2
    exit 1
}
echo "== Done: the speed test ran and ended with Stop =="
