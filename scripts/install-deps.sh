#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Quillory need.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
    qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    libglib2.0-dev libssl-dev
    libcpp-httplib-dev libgtest-dev libtag1-dev libbenchmark-dev curl
    clang libclang-rt-dev
    fonts-noto-cjk xdg-utils xvfb xauth
    file appstream desktop-file-utils dbus
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
fi
