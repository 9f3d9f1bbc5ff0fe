#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and benchmarking need, when missing.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-image-formats-plugins libxcb1-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev zlib1g-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth openbox xdotool xclip x11-utils dbus-daemon
  desktop-file-utils appstream
  imagemagick libvips-tools time
  poppler-utils
  libtesseract-dev tesseract-ocr tesseract-ocr-eng fonts-dejavu-core
)
# Tests on real desktop parts (a Wayland compositor with the real desktop portal, a clipboard
# manager); they are skipped, with the reason, where these cannot be installed.
DESKTOP_PACKAGES=(
  sway wayvnc grim wl-clipboard pipewire qt6-wayland
  xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk
  xfce4-settings
)

missing_of() {
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      echo "$package"
    fi
  done
}

mapfile -t missing < <(missing_of "${PACKAGES[@]}")
mapfile -t missing_desktop < <(missing_of "${DESKTOP_PACKAGES[@]}")
[ ${#missing[@]} -eq 0 ] && [ ${#missing_desktop[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  [ ${#missing_desktop[@]} -eq 0 ] || echo "Not installed, their tests are skipped: ${missing_desktop[*]}" >&2
  [ ${#missing[@]} -eq 0 ] && exit 0
  echo "Missing packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]} ${missing_desktop[*]}"
apt-get update
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi
if [ ${#missing_desktop[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing_desktop[@]}" \
    || echo "Could not install ${missing_desktop[*]}: their tests are skipped" >&2
fi
