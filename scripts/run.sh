#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Quorvane in Release and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
qv_install_packages

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

exec scripts/main-job.sh build
