#!/usr/bin/env bash
# Takes a screenshot of the desktop window without a display: starts ./build/quorvane
# under Xvfb in a temporary folder (its INI file answers the first-start question
# with LAN mode), grabs the screen into OUT.png and closes the program.
#   scripts/screenshot.sh OUT.png
# QV_BUILD_DIR names another build folder (default: build).
set -euo pipefail
out=${1:?usage: scripts/screenshot.sh OUT.png}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
cd "$(dirname "$0")/.."
source scripts/setup.sh
qv_install_packages xvfb x11-apps imagemagick

build=${QV_BUILD_DIR:-build}
if [ ! -x "$build/quorvane" ]; then
    cmake -S . -B "$build" -G Ninja -DQV_QT=ON
    cmake --build "$build" -j"$(nproc)" --target quorvane
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/quorvane" "$work/"
cp "$build/quorvane.txt" "$work/" 2>/dev/null || true
printf '[Quorvane]\r\nWAN=0\r\nNICNAME=screenshot\r\n' >"$work/quorvane.ini"

xvfb-run -a -s "-screen 0 680x860x24" bash -c '
    set -e
    cd "$1"
    ./quorvane 0 >quorvane.log 2>&1 &
    program=$!
    sleep "${QV_SCREENSHOT_DELAY:-4}"
    xwd -root -silent | convert xwd:- png:"$2"
    kill "$program"
    wait "$program" || true
' screenshot "$work" "$out"
echo "screenshot: $out"
