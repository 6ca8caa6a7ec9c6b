#!/usr/bin/env bash
# Takes a screenshot of the desktop window without a display: starts ./build/quorvane
# under Xvfb in a temporary folder (its INI file answers the first-start question
# with LAN mode), grabs the screen into OUT.png and closes the program.
#   scripts/screenshot.sh [--speed | --transfer] [--lang en|ja] OUT.png
# --speed     a console peer on loopback streams test data to the window for 60 s;
#             the picture shows the rate chart at the end of the minute
# --transfer  the console peer sends a 200 MB file (slowed by its load setting);
#             the picture shows the progress bar mid-way
# --lang en   the window in English (default: the locale's language, Japanese here)
# QV_BUILD_DIR names another build folder (default: build).
set -euo pipefail
mode=idle
lang=ja
while [ $# -gt 1 ]; do
    case "$1" in
        --speed) mode=speed ;;
        --transfer) mode=transfer ;;
        --lang) lang=${2:?--lang needs en or ja}; shift ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
out=${1:?usage: scripts/screenshot.sh [--speed|--transfer] [--lang en|ja] OUT.png}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
cd "$(dirname "$0")/.."
source scripts/setup.sh
qv_install_packages xvfb x11-apps imagemagick

build=${QV_BUILD_DIR:-build}
if [ ! -x "$build/quorvane" ] || [ ! -x "$build/quorvane-cli" ]; then
    cmake -S . -B "$build" -G Ninja -DQV_QT=ON
    cmake --build "$build" -j"$(nproc)" --target quorvane quorvane-cli
fi

work=$(mktemp -d)
peer_pid=""
cleanup() {
    [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/desk" "$work/peer" "$work/home"
cp "$build/quorvane" "$work/desk/"
cp "$build/quorvane.txt" "$work/desk/" 2>/dev/null || true
printf '[Quorvane]\r\nWAN=0\r\nNICNAME=screenshot\r\n' >"$work/desk/quorvane.ini"
cp "$build/quorvane-cli" "$work/peer/"
# LOW=1 keeps the loopback stream from taking every core; LOW=20 slows a file down
# enough to watch its progress.
low=1
[ "$mode" = transfer ] && low=20
printf '[Quorvane]\r\nWAN=0\r\nNICNAME=peer\r\nLOW=%s\r\n' "$low" >"$work/peer/quorvane-cli.ini"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

# The console peer: its commands come from a script with pauses, bounded in time.
start_peer() {
    local delay=$1 run=$2 command=$3
    (
        cd "$work/peer"
        {
            sleep "$delay"
            echo "peer 127.0.0.1:$port"
            echo "$command"
            sleep "$run"
            echo stop
            sleep 1
            echo quit
        } | timeout $((delay + run + 10)) ./quorvane-cli 0 >peer.log 2>&1
    ) &
    peer_pid=$!
}
delay=${QV_SCREENSHOT_DELAY:-4}
case "$mode" in
    speed)
        start_peer 3 64 send
        delay=63
        ;;
    transfer)
        head -c 200000000 /dev/zero >"$work/peer/archive-2026.bin"
        start_peer 3 60 "drop archive-2026.bin"
        delay=9
        ;;
esac

locale=ja_JP.UTF-8
[ "$lang" = en ] && locale=en_US.UTF-8
HOME="$work/home" LANG=$locale LC_ALL=$locale xvfb-run -a -s "-screen 0 940x940x24" bash -c '
    set -e
    cd "$1"
    ./quorvane "$4" >quorvane.log 2>&1 &
    program=$!
    sleep "$3"
    xwd -root -silent | convert xwd:- png:"$2"
    kill "$program"
    wait "$program" || true
' screenshot "$work/desk" "$out" "$delay" "$port"
echo "screenshot: $out"
