#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need, when they
# are missing. Sourced by run.sh and test.sh; safe to run again.
set -euo pipefail

QV_PACKAGES=(
    cmake ninja-build g++ pkg-config python3
    libgtest-dev libgmock-dev libssl-dev
    tinyproxy-bin iperf3 netcat-openbsd iproute2 nftables
    qt6-base-dev qt6-multimedia-dev fonts-noto-cjk
    qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n qt6-l10n-tools qt6-tools-dev libqt6svg6
    xvfb x11-apps imagemagick
    python3 dpkg-dev lintian appstream
)

qv_missing_packages() {
    local missing=()
    for pkg in "${QV_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    echo "${missing[@]:-}"
}

qv_install_packages() {
    local missing
    missing=$(qv_missing_packages "$@")
    [ -z "$missing" ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: $missing"
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
}
