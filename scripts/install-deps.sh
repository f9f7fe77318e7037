#!/usr/bin/env bash
# Installs every Debian package Glimmerbox needs to build, test, benchmark and run.
# Does nothing when all of them are present. Works as root or through sudo.
# With --bench it also installs the peer tools of the benchmarks.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libtiff-dev libopenjp2-7-dev
  libmng-dev libraw-dev libv4l-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation fonts-dejavu-core xvfb xauth
  clang libclang-rt-14-dev
  imagemagick python3-pil netpbm libtiff-tools libjpeg-turbo-progs libopenjp2-tools
  poppler-utils desktop-file-utils appstream man-db groff-base python3
)
# Peer tools the side-by-side benchmarks compare against.
if [ "${1:-}" = "--bench" ]; then
  PACKAGES+=(libvips-tools hyperfine time)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  SUDO="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
