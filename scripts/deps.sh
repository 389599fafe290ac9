#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the game need.
set -euo pipefail
packages=(build-essential cmake pkg-config git
  libsdl2-dev libsdl2-ttf-dev libzip-dev libpng-dev zlib1g-dev libvorbis-dev libogg-dev
  libepoxy-dev libgl-dev libfontconfig-dev libgtest-dev libgmock-dev libbenchmark-dev
  clang-format xvfb xauth xdotool openbox x11-apps x11-utils libgl1-mesa-dri fontconfig fonts-dejavu-core zip unzip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
