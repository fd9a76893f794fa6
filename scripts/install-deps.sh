#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, only those missing; with
# package names as arguments, those instead.
set -euo pipefail

packages=(
  build-essential
  cmake
  ninja-build
  pkg-config
  libgtest-dev
  qt6-base-dev
  libqt6opengl6-dev
  qt6-charts-dev
  qt6-translations-l10n
  libjpeg62-turbo-dev
  libxlsxwriter-dev
  python3-openpyxl
  zlib1g-dev
  libgif-dev
  poppler-utils
  libreoffice-calc-nogui
)
[ $# -gt 0 ] && packages=("$@")

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
