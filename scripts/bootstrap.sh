#!/usr/bin/env bash
# Installs what building and testing Hivelark needs on a Debian machine: the MinGW-w64 cross
# compilers (the -posix variants, for std::thread and std::mutex), zlib for MinGW, a virtual X
# server for the windows, and the Debian root whose Wine runs both builds, the 32-bit one under
# WoW64 (scripts/wine-root.sh; the host's own apt has no i386 packages, so Wine lives there alone).
# Quiet and quick when all is present.
set -euo pipefail

packages=(
  cmake make python3
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  mingw-w64-i686-dev mingw-w64-x86-64-dev
  libz-mingw-w64-dev
  googletest
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

"$(dirname "$0")/wine-root.sh" >/dev/null
