#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and benchmarking need, when missing.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-image-formats-plugins
  libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev zlib1g-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth openbox xdotool xclip x11-utils dbus-daemon
  desktop-file-utils appstream
  imagemagick libvips-tools time
  poppler-utils
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
apt-get update
DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
