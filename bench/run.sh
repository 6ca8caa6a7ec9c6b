#!/usr/bin/env bash
# Runs one benchmark: bench/run.sh NAME
#
# Builds the Release tree build-bench (configured once, then reused), runs the case
# NAME and ends with one line per figure: "NAME: ratio=R target=T", R being ours over
# the anchor's (higher is better).
#
# A case is the file bench/NAME.sh, sourced here; it defines run_case, which may use
# ROOT, BUILD, build_targets TARGET... and scratch_dir (a temporary folder removed on
# exit).
set -euo pipefail
# The console programs speak Japanese: the lines read here are its Japanese texts.
export QUORVANE_LANG=ja

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$ROOT/build-bench
SCRATCH=

usage() {
    echo "usage: $0 NAME" >&2
    echo "cases:" $(cd "$ROOT/bench" && ls *.sh | grep -v '^run\.sh$' | sed 's/\.sh$//') >&2
    exit 2
}

cleanup() {
    if [ -n "$SCRATCH" ]; then rm -rf -- "$SCRATCH"; fi
}
trap cleanup EXIT

# Builds the given targets quietly; on failure shows the build's output and stops.
build_targets() {
    local log
    if [ ! -f "$BUILD/build.ninja" ]; then
        if ! log=$(cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DQV_TESTS=OFF 2>&1); then
            echo "$log" >&2
            echo "bench: configuring $BUILD failed" >&2
            exit 1
        fi
    fi
    if ! log=$(cmake --build "$BUILD" -j2 --target "$@" 2>&1); then
        echo "$log" | tail -40 >&2
        echo "bench: building $* failed" >&2
        exit 1
    fi
}

# Prints the path of a temporary folder that is removed when the script ends.
scratch_dir() {
    if [ -z "$SCRATCH" ]; then SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/qv-bench-XXXXXX"); fi
    echo "$SCRATCH"
}

[ $# -eq 1 ] || usage
NAME=$1
CASE=$ROOT/bench/$NAME.sh
[[ "$NAME" =~ ^[A-Za-z0-9_-]+$ && "$NAME" != run && -f "$CASE" ]] || usage
# shellcheck source=/dev/null
source "$CASE"
run_case
