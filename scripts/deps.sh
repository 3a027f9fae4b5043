#!/usr/bin/env bash
# Installs the Debian packages Quorvane builds and tests with, when missing.
# Sourced by scripts/run and scripts/test; the reasons are in README.md.
set -euo pipefail

QV_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libcups2-dev
  libgtest-dev
  fonts-liberation fonts-wqy-microhei
  poppler-utils
  libreoffice-writer-nogui
  qt6-serialport-dev
  libzint-dev
  python3 glabels-data
  cups printer-driver-cups-pdf
)

# scripts/package: dpkg-shlibdeps (dpkg-dev) and file find the package's
# library dependencies.
QV_PACKAGE_PACKAGES="dpkg-dev file"
# scripts/package --check: validates the desktop entry, the AppStream
# metadata and the manual pages of an install.
QV_PACKAGE_CHECK_PACKAGES="desktop-file-utils appstream man-db"

qv_install_missing() {
  local missing=()
  for p in "${QV_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

qv_build() {
  local dir=$1; shift
  cmake -S "$QV_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
