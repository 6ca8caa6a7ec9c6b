#!/usr/bin/env bash
# The main job: the console window started in a fresh temporary folder, answering
# the first-start question and closing cleanly; then started again to show that the
# settings were kept. Usage: scripts/main-job.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/quorvane-cli" "$work/"
cd "$work"

echo "== First start in $work (answering 'no': LAN mode) =="
printf 'no\nquit\n' | ./quorvane-cli
echo "== Settings written =="
iconv -f CP932 -t UTF-8 quorvane-cli.ini | tr -d '\r'
echo "== Second start: no question, the settings are kept =="
printf 'quit\n' | ./quorvane-cli
ls -d "$work"/*/
