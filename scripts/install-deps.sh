#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent and quiet when
# everything is present. Run as root (or with sudo available).
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config clang-format
  libgtest-dev zlib1g-dev          # tests, text resources
  qt6-base-dev                     # desktop program
  libgif-dev python3-pil gifsicle imagemagick  # independent decoders the tests compare against
  fonts-dejavu-core                # a font for offscreen rendering
  fonts-ipafont-gothic             # a Japanese font: the Japanese interface and its tests
  xvfb xauth xdotool               # the keyboard-only run of the desktop program on a virtual display
  dpkg-dev file desktop-file-utils # the Debian package: its dependencies (CPack needs file), its menu entry checked
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "--bench" ]; then
  packages+=(gifsicle imagemagick python3-matplotlib python3-pil python3-numpy time chromium)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
