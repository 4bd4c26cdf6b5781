#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, skipping those already present.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    clang clang-format clang-tidy clang-tools libclang-rt-14-dev git)
# The X11 backend, and the X servers, window manager and clients its tests run against.
packages+=(libxcb1-dev libxcb-randr0-dev libxcb-xinput-dev libxcb-ewmh-dev libxcb-icccm4-dev
    libxcb-keysyms1-dev libxkbcommon-dev libxkbcommon-x11-dev libxcb-xkb-dev libxcb-xtest0-dev
    libxcb-shape0-dev
    xvfb xserver-xephyr openbox xterm xdotool x11-utils x11-xserver-utils)
# The program's loop and windows (Qt 6), its manual page, and a compositor for the tests.
packages+=(qt6-base-dev qt6-svg-dev scdoc xcompmgr)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
