#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Quorvane in Release (build-release/) and runs
# the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
qv_install_packages

# A folder of its own: the tests' RelWithDebInfo build in build/ is left as it is.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build-release -j"$(nproc)"

exec scripts/main-job.sh build-release
