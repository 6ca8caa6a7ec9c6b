#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Quorvane and runs every test: once in a
# normal build (build/) and once under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/). `ctest --test-dir build -L unit` is the fast loop.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
qv_install_packages

# The layer rule of the core's includes (see ARCHITECTURE.md) first: it needs no build.
python3 scripts/check-includes.py .

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
scripts/package-check.sh build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"

# The Windows build: cross-compiled into build-windows/, its tests run under wine.
scripts/windows.sh
