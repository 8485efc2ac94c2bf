#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; does nothing when all
# are present. Sourced by scripts/run and scripts/test.
set -euo pipefail

rouvel_packages=(
    g++ cmake ninja-build
    qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libqt6svg6
    fonts-liberation
)
rouvel_test_packages=(
    poppler-utils cups printer-driver-cups-pdf
)

rouvel_sudo() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

rouvel_install() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    rouvel_sudo apt-get update -qq
    rouvel_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
        "${missing[@]}"
}
