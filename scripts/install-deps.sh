#!/usr/bin/env bash
# Installs, from Debian's packages and only when missing, everything Seep's
# build, tests and desktop painter need. Quiet when all is present.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl-dev libglu1-mesa-dev freeglut3-dev libegl-dev libegl-mesa0
  libdevil-dev libpng-dev libimgui-dev nlohmann-json3-dev
  libzip-dev libpugixml-dev
  xvfb xdotool zenity imagemagick x11-utils
  clang libclang-rt-14-dev
  libavcodec-dev libavformat-dev libavutil-dev ffmpeg
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
