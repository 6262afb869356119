#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need (only those missing).
set -euo pipefail
packages=(
    cmake g++ make pkg-config
    libsdl2-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri
    mesa-vulkan-drivers glslang-tools
    libopenal-dev libopenal1 libstb-dev
    libgtest-dev googletest libbenchmark-dev libtinyobjloader-dev
    clang libclang-rt-14-dev
    xvfb xauth x11-utils xdotool imagemagick
    ffmpeg
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
