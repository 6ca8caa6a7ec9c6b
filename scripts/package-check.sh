#!/usr/bin/env bash
# Builds the two Debian packages from the build folder $1 (default: build), unpacks
# them into a throw-away root, and runs the installed console program there: its
# version, then a one-shot connection test and a short speed test against an installed
# --server on loopback. The systemd user unit must start a program of the package.
# lintian and appstreamcli check the packages when installed. A build without the
# desktop window (QV_QT=OFF) checks the console package alone.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
version=$(sed -n 's/.*kVersion = "\(.*\)";/\1/p' "$build/generated/base/Version.h")

work=$(mktemp -d)
server_pid=
cleanup() {
    if [[ -n $server_pid ]]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

targets=(quorvane-cli quorvane_packaging_files)
cli_deb="$work/out/quorvane-cli_${version}_amd64.deb"
window_deb=
if grep -q '^QV_QT:BOOL=ON' "$build/CMakeCache.txt"; then
    targets+=(quorvane)
    window_deb="$work/out/quorvane_${version}_amd64.deb"
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
debs=("$cli_deb" ${window_deb:+"$window_deb"})
ls "${debs[@]}" >/dev/null

if dpkg-deb -f "$cli_deb" Depends | grep -qi qt; then
    echo "FAIL: quorvane-cli depends on Qt" >&2; exit 1
fi

root="$work/root"
for deb in "${debs[@]}"; do dpkg -x "$deb" "$root"; done
cli="$root/usr/bin/quorvane-cli"

# The user unit starts a program that the console package installs, by its full path.
unit="$root/usr/lib/systemd/user/quorvane-cli.service"
test -f "$unit" || { echo "FAIL: no systemd user unit in quorvane-cli" >&2; exit 1; }
exec_start=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$unit")
cli_files=$(dpkg-deb -c "$cli_deb" | awk '{print $6}')
if ! grep -qxF ".$exec_start" <<<"$cli_files" || [[ ! -x "$root$exec_start" ]]; then
    echo "FAIL: the unit's ExecStart '$exec_start' is no program of quorvane-cli" >&2; exit 1
fi
"$cli" --version | grep -qx "quorvane-cli $version" || { echo "FAIL: --version" >&2; exit 1; }

# Each installed program gets a home of its own; settings must land in its XDG
# config folder, nothing beside the executable.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port=$(free_port)
mkdir -p "$work/server-home" "$work/client-home"
HOME="$work/server-home" XDG_CONFIG_HOME= timeout 60 "$cli" --server -p "$port" \
    >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do grep -q "$port 番ポート待ち受け中" "$work/server.log" && break; sleep 0.1; done
client() { HOME="$work/client-home" XDG_CONFIG_HOME= timeout 30 "$cli" -p 0 -c "127.0.0.1:$port" "$@"; }
client --test >"$work/test.log" 2>&1 || { cat "$work/test.log" >&2; echo "FAIL: one-shot test" >&2; exit 1; }
client --send 1 --json 2>/dev/null | python3 -c 'import json,sys; d=json.load(sys.stdin); assert d["success"] and d["bytes"] > 0, d'
kill -TERM "$server_pid"; wait "$server_pid" || { echo "FAIL: the server's exit code" >&2; exit 1; }
server_pid=
test -f "$work/server-home/.config/quorvane/quorvane-cli.ini" || { echo "FAIL: settings not in ~/.config/quorvane" >&2; exit 1; }
test -d "$work/server-home/Downloads/Quorvane" || { echo "FAIL: no receive folder in Downloads" >&2; exit 1; }
test ! -e "$root/usr/bin/quorvane-cli.ini" || { echo "FAIL: settings beside the program" >&2; exit 1; }

if command -v lintian >/dev/null; then
    lintian --fail-on error "${debs[@]}"
fi
if [[ -n $window_deb ]] && command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
fi
echo "package-check: OK (${window_deb:+quorvane_${version}, }quorvane-cli_${version})"
