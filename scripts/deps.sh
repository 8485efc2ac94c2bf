#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; does nothing when all
# are present. Sourced by scripts/run, scripts/test and scripts/package.
set -euo pipefail

rouvel_packages=(
    g++ cmake ninja-build
    qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libqt6svg6 libsqlite3-dev
    fonts-liberation
)
rouvel_test_packages=(
    poppler-utils cups printer-driver-cups-pdf
    clang libclang-rt-14-dev
    desktop-file-utils pkgconf dpkg-dev file
)
# scripts/package: CPack's Debian packages with their dependencies read from the binaries.
rouvel_package_packages=(
    dpkg-dev file
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
