#!/usr/bin/env bash
# The Windows build: cross-compiles the console program quorvane-cli.exe with
# MinGW-w64 into build-windows/, packs its zip, and runs the tests there under wine:
# the unit tests of the layers below peer/, and the exe against the Linux build's
# program (build/quorvane-cli, built first by scripts/test.sh) over loopback; see
# README. Installs the cross compiler and wine when missing. Stops every wine process
# it started, also when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
qv_install_packages g++-mingw-w64-x86-64-posix wine64 googletest

jobs=${QV_JOBS:-$(nproc)}
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DQV_WINDOWS_FOUNDATIONS=OFF
cmake --build build-windows -j"$jobs"
cmake --build build-windows --target package >build-windows/package.log 2>&1 ||
    { cat build-windows/package.log >&2; exit 1; }
zip=build-windows/quorvane-cli-1.11-windows-x64.zip
python3 - "$zip" <<'CHECK'
import sys, zipfile
names = set(zipfile.ZipFile(sys.argv[1]).namelist())
missing = [m for m in ("quorvane-cli.exe", "quorvane.txt", "README.txt")
           if "quorvane-cli-1.11-windows-x64/" + m not in names]
sys.exit(f"FAIL: {missing} missing from {sys.argv[1]}" if missing else 0)
CHECK

# Debian keeps wine's programs in its library folder. A prefix of the build's own,
# and one wineserver kept alive for the whole run: without it every test pays for
# starting wine anew, and wine's helpers would hold ctest's output pipe open.
wine_dir=/usr/lib/wine
export WINEPREFIX="$PWD/build-windows/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
stop_wine() { "$wine_dir/wineserver64" -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
mkdir -p "$WINEPREFIX"
"$wine_dir/wineserver64" -p >/dev/null 2>&1 </dev/null
"$wine_dir/wine64" wineboot --init >/dev/null 2>&1 </dev/null
# The program is made for Windows 10 and later and refuses older systems at start-up;
# a new prefix says Windows 7.
"$wine_dir/wine64" winecfg -v win10 >/dev/null 2>&1 </dev/null
# A test that fails once is run once more: now and then wine fails to start a
# program (it ends in some 10 ms with no output at all); a test that fails twice
# fails the run.
ctest --test-dir build-windows --output-on-failure -j"$jobs" --repeat until-pass:2
