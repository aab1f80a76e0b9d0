#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need.
# Does nothing when all of them are already installed.
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/setup-deps.sh"
  echo "Installs the Debian packages the build, the programs and the tests need (apt-get)."
  exit 0
fi
packages=(
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev
  libsdl2-dev libgl-dev libegl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  libfreetype-dev libfontconfig-dev fontconfig fonts-wine fonts-dejavu-core fonts-symbola
  fonttools python3-brotli
  libpng-dev ffmpeg
  xvfb xauth xdotool x11-apps x11-utils imagemagick zip unzip file
  mingw-w64 wine wine64
  glslang-tools
  emscripten chromium firefox-esr nodejs
)
# The 32-bit product runs under Wine's 32-bit half with 32-bit Mesa GL, where
# the kernel runs 32-bit programs at all (elsewhere an installed wine32 would
# only break the wine command for 64-bit programs too).
if [ "$(dpkg --print-architecture)" = amd64 ] && "$(dirname "$0")/can-run-32bit.sh"; then
  packages+=(wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
