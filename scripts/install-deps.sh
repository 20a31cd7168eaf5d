#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the program and the tests need and the
# machine lacks. Safe to run again: it does nothing when everything is there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-translations-l10n libturbojpeg0-dev libxcb1-dev
  xvfb xauth xdotool xclip x11-xserver-utils x11-utils openbox
  fonts-ipafont-gothic imagemagick
  dpkg-dev file desktop-file-utils appstream
  sway xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk pipewire dbus
  qt6-wayland grim wl-clipboard libglib2.0-bin python3
  clang libclang-rt-14-dev llvm-14 clang-format clang-tidy
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
