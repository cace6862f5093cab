#!/usr/bin/env bash
# Installs what building and testing Hivelark needs on a Debian machine: the MinGW-w64 cross
# compilers (the -posix variants, for std::thread and std::mutex), zlib for MinGW, Wine to run the
# Windows builds (and the i386 Debian root with the 32-bit Wine that runs the 32-bit build), and a
# virtual X server for the windows. Quiet and quick when all is present.
set -euo pipefail

packages=(
  cmake make python3
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  mingw-w64-i686-dev mingw-w64-x86-64-dev
  libz-mingw-w64-dev
  googletest
  wine wine64 fonts-wine
  xvfb xauth xdotool imagemagick x11-utils
  debootstrap
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: missing packages: ${missing[*]}; run as root or install them" >&2
    exit 1
  fi
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

"$(dirname "$0")/i386-root.sh" >/dev/null
