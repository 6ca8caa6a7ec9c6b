# Case "md5" of bench/run.sh: f_MDFile_s against md5sum on a 1 GiB file of random
# bytes, warm in the page cache, best of three runs each.
MD5_TARGET=0.95
MD5_SIZE_MIB=${MD5_SIZE_MIB:-1024}

run_case() {
    build_targets md5_bench
    # The scratch folder is made here, not in a subshell, so that the exit trap
    # knows it and removes it.
    scratch_dir >/dev/null
    local file=$SCRATCH/random.bin
    head -c "$((MD5_SIZE_MIB * 1024 * 1024))" /dev/urandom >"$file"
    cat "$file" >/dev/null  # warm the page cache
    local report
    report=$("$BUILD/bench/md5_bench" "$file" 3)
    echo "$report"
    local ratio
    ratio=$(echo "$report" | awk '/^ratio / {print $2}')
    echo "md5: ratio=$ratio target=$MD5_TARGET"
}
