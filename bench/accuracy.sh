# Case "accuracy" of bench/run.sh: on the test bed's lan (scripts/netbed.sh, root),
# shaped to 10, 100 and 1000 Mbit/s, iperf3 and our speed test on the same link in
# the same run. R compares the sender's summary average (acknowledged bytes) with
# iperf3's receiver figure: the smaller of ours/iperf3 and iperf3/ours. The receiver's
# "受信←[平均]" is printed beside it.
ACCURACY_TARGET=0.98
ACCURACY_SECONDS=${ACCURACY_SECONDS:-6}
ACCURACY_RATES=${ACCURACY_RATES:-"10 100 1000"}

# Our sender's summary average and receiver's average (bytes per second), "S R".
accuracy_ours() {
    local prefix=$1 run=$SCRATCH/run-$1
    mkdir -p "$run/a" "$run/b"
    cp "$BUILD/quorvane-cli" "$run/a/"
    cp "$BUILD/quorvane-cli" "$run/b/"
    printf '[Quorvane]\r\nWAN=0\r\nAUTO=0\r\nBUF=128000\r\n' >"$run/a/quorvane-cli.ini"
    printf '[Quorvane]\r\nWAN=0\r\n' >"$run/b/quorvane-cli.ini"
    ( { sleep $((ACCURACY_SECONDS + 4)); echo quit; } |
        (cd "$run/b" && exec timeout 60 ip netns exec "$prefix-pc2" ./quorvane-cli 9001) \
        >"$run/b/out.txt" 2>&1 ) &
    sleep 1
    printf 'peer 192.168.77.3:9001\nsend\nwait %s\nstop\nwait 1000\nquit\n' \
        "$((ACCURACY_SECONDS * 1000))" |
        (cd "$run/a" && exec timeout 60 ip netns exec "$prefix-pc1" ./quorvane-cli 9001) \
        >"$run/a/out.txt" 2>&1
    wait || true
    grep '^# summary' "$run/a/out.txt" | sed 's/^# /  sender /' >&2
    local sender receiver
    sender=$(grep '^# summary' "$run/a/out.txt" | sed -n 's/.* average \([0-9]*\) KB\/s.*/\1/p')
    # The receiver's last full average, before the stream's end dilutes it.
    receiver=$(grep '受信←\[平均\]' "$run/b/out.txt" | grep -v '\[平均\] *0 KB' |
        sed 's/.*\[平均\] *\([0-9]*\) KB.*/\1/' | tail -2 | head -1)
    echo "$((${sender:-0} * 1000)) $((${receiver:-0} * 1000))"
}

run_case() {
    # shellcheck source=/dev/null
    source "$ROOT/bench/netbed-lib.bash"
    bed_require_root accuracy
    build_targets quorvane-cli
    scratch_dir >/dev/null
    local rate lines=() ours anchor
    for rate in $ACCURACY_RATES; do
        bed_up "$rate"
        anchor=$(bed_iperf "$ACCURACY_SECONDS")
        read -r ours receiver < <(accuracy_ours "$BED_PREFIX")
        bed_down
        echo "${rate} Mbit/s: iperf3 $anchor B/s, summary $ours B/s, receiver $receiver B/s" \
            "(receiver ratio $(bed_ratio "$receiver" "$anchor"))"
        lines+=("accuracy-${rate}M: ratio=$(bed_ratio "$ours" "$anchor") target=$ACCURACY_TARGET")
    done
    printf '%s\n' "${lines[@]}"
}
