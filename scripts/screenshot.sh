#!/usr/bin/env bash
# Takes a screenshot of the desktop window without a display: starts ./build/quorvane
# under Xvfb (a 1366 x 768 screen) in a temporary folder (its INI file answers the
# first-start question with LAN mode), grabs the screen into OUT.png and closes the
# program. A console peer on loopback plays the other PC where a mode needs one.
#   scripts/screenshot.sh [--speed | --result | --history | --folder | --transfer]
#                         [--lang en|ja] OUT.png
# --speed     the peer streams test data to the window for 60 s; the picture shows the
#             rate chart at the end of the minute
# --result    the peer asks the window to stream to it for 20 s, then stops: the
#             finished test with its result line (and the TCP figures)
# --history   the peer sends a folder, then asks for a 15 s stream; the result history
#             opened with Ctrl+H
# --folder    the peer sends a folder of files while the window is not the active one,
#             with a tray on the screen (trayer): the line that tells what arrived and
#             the desktop notification
# --transfer  the peer sends a 200 MB file (slowed by its load setting); the picture
#             shows the progress bar and the live chart mid-way
# --lang en   the window in English (default: the locale's language, Japanese here)
# QV_BUILD_DIR names another build folder (default: build).
set -euo pipefail
mode=idle
lang=ja
while [ $# -gt 1 ]; do
    case "$1" in
        --speed) mode=speed ;;
        --result) mode=result ;;
        --history) mode=history ;;
        --folder) mode=folder ;;
        --transfer) mode=transfer ;;
        --lang) lang=${2:?--lang needs en or ja}; shift ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
out=${1:?usage: scripts/screenshot.sh [--speed|--result|--history|--folder|--transfer] [--lang en|ja] OUT.png}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
cd "$(dirname "$0")/.."
source scripts/setup.sh
qv_install_packages xvfb x11-apps imagemagick xdotool trayer

build=${QV_BUILD_DIR:-build}
if [ ! -x "$build/quorvane" ] || [ ! -x "$build/quorvane-cli" ]; then
    cmake -S . -B "$build" -G Ninja -DQV_QT=ON
    cmake --build "$build" -j"$(nproc)" --target quorvane quorvane-cli
fi

work=$(mktemp -d)
peer_pid=""
cleanup() {
    [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null || true
    if [ -n "${QV_SCREENSHOT_KEEP:-}" ]; then echo "kept: $work"; else rm -rf "$work"; fi
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
free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port=$(free_port)
# The peer listens too: a stream the window is asked for goes there.
peer_port=$(free_port)

# The console peer: its console lines, "wait N" pausing N seconds between them; it
# quits after the last one, bounded in time.
start_peer() {
    local limit=$1
    shift
    (
        cd "$work/peer"
        {
            for line in "$@"; do
                case "$line" in
                    wait\ *) sleep "${line#wait }" ;;
                    *) echo "$line" ;;
                esac
            done
            sleep 1
            echo quit
        } | timeout "$limit" ./quorvane-cli "$peer_port" >peer.log 2>&1
    ) &
    peer_pid=$!
}
# A folder of photos and a few videos for the peer to send (5.7 MB in 21 files).
make_folder() {
    local folder="$work/peer/holiday-2026"
    mkdir -p "$folder/videos"
    for i in $(seq -w 1 18); do head -c 150000 /dev/urandom >"$folder/IMG_$i.jpg"; done
    for i in 1 2 3; do head -c 1000000 /dev/urandom >"$folder/videos/clip-$i.mp4"; done
}
peer="peer 127.0.0.1:$port"
delay=${QV_SCREENSHOT_DELAY:-4}
key=""
tray=""
case "$mode" in
    speed)
        start_peer 80 "wait 3" "$peer" send "wait 64" stop
        delay=63
        ;;
    result)
        start_peer 40 "wait 3" "$peer" recv "wait 20" stop "wait 10"
        delay=29
        ;;
    history)
        make_folder
        start_peer 60 "wait 3" "$peer" "drop $work/peer/holiday-2026" "wait 8" recv "wait 15" \
            stop "wait 15"
        delay=32
        key=ctrl+h
        ;;
    folder)
        make_folder
        start_peer 30 "wait 3" "$peer" "drop $work/peer/holiday-2026" "wait 10"
        delay=9
        tray=1
        ;;
    transfer)
        head -c 200000000 /dev/zero >"$work/peer/archive-2026.bin"
        start_peer 75 "wait 3" "$peer" "drop archive-2026.bin" "wait 60" stop
        delay=9
        ;;
esac

locale=ja_JP.UTF-8
[ "$lang" = en ] && locale=en_US.UTF-8
HOME="$work/home" LANG=$locale LC_ALL=$locale xvfb-run -a -s "-screen 0 1366x768x24" bash -c '
    set -e
    cd "$1"
    # A tray for the desktop notification, at the foot of the screen.
    [ -n "$5" ] && { trayer --edge bottom --align right --widthtype pixel --width 80 \
        --height 24 --SetDockType true >/dev/null 2>&1 & sleep 1; }
    ./quorvane "$4" >quorvane.log 2>&1 &
    program=$!
    # The pointer leaves the window: without a window manager that leaves it inactive.
    [ -n "$5" ] && { sleep 2; xdotool mousemove 0 0; }
    sleep "$3"
    if [ -n "$6" ]; then
        # The keys go to the window once it has the focus (no window manager gives it).
        xdotool search --onlyvisible --name Quorvane windowfocus --sync
        sleep 0.5
        xdotool key "$6"
        sleep 5
    fi
    # import composes every window (xwd leaves a dialog of another visual black).
    import -window root "$2"
    kill "$program"
    wait "$program" || true
' screenshot "$work/desk" "$out" "$delay" "$port" "$tray" "$key"
echo "screenshot: $out"
