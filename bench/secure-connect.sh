# Case "secure-connect" of bench/run.sh: how long a TEST takes once the encrypted mode
# is running, against a plain TEST, both between two console programs on loopback in
# the same run. The first TEST of each pair is left out (in the encrypted mode both
# programs derive the key then); the next CONNECT_TESTS are sent at once and timed
# from the first command to the last success line. The ratio is plain time over
# encrypted time, so higher is better.
#
# An encrypted TEST adds a TLS 1.3 handshake (one more round trip and an X25519
# exchange on each side, a fraction of a millisecond here) and a pump thread on each
# side, so it may take about twice a plain one: the target 0.5. Were the key derived
# per connection (scrypt, about 0.1 s on each side) the ratio would fall below 0.02.
CONNECT_TARGET=0.5
CONNECT_TESTS=${CONNECT_TESTS:-100}

# connect_ms INI_EXTRA: the milliseconds of one TEST after the first, with INI_EXTRA on
# both programs (three decimals); those of the first go to stderr.
connect_ms() {
    rm -rf "$SCRATCH/rx" "$SCRATCH/tx"
    start_pair "$1"
    local ok='接続テストに成功しました' start end
    start=$(now_ms)
    tx_send test
    wait_for_line "$TX/out.txt" "$ok" 10
    echo "  first TEST: $(($(now_ms) - start)) ms" >&2
    start=$(now_ms)
    for _ in $(seq "$CONNECT_TESTS"); do tx_send test; done
    wait_for_line "$TX/out.txt" "$ok" 120 $((CONNECT_TESTS + 1))
    end=$(now_ms)
    stop_pair
    ratio $((end - start)) "$CONNECT_TESTS"
}

run_case() {
    build_targets quorvane-cli
    scratch_dir >/dev/null
    # shellcheck source=/dev/null
    source "$ROOT/bench/transfer-lib.bash"
    local plain secure
    echo "plain:" >&2
    plain=$(connect_ms "")
    echo "encrypted (the first derives the key on both sides):" >&2
    secure=$(connect_ms 'SEC_KEY=bench-key\r\nSECURE=1\r\n')
    echo "one TEST after the first ($CONNECT_TESTS timed): plain $plain ms, encrypted $secure ms"
    echo "secure-connect: ratio=$(ratio "$plain" "$secure") target=$CONNECT_TARGET"
}
