#!/usr/bin/env bash
# Installs what building, testing and running need, from Debian's archive. Needs root.
set -euo pipefail
packages=(
    g++ cmake ninja-build ccache pkg-config clang-format
    qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql libgl-dev
    libcpp-httplib-dev libboost-dev libssl-dev openssl libsqlite3-dev libpq-dev libbenchmark-dev libsodium-dev
    postgresql xvfb xauth imagemagick wrk
    adwaita-icon-theme
    clang-14 libclang-rt-14-dev python3
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" = 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
