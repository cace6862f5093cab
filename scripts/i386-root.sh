#!/usr/bin/env bash
# Usage: i386-root.sh
# Makes, once, the 32-bit Debian root in which the 32-bit program and its tests run under 32-bit
# Wine, and prints its path. The host's apt stays 64-bit only: adding the i386 architecture to it
# breaks its package lists here. The root lives in a cache folder outside the work tree and outside
# build/, so that a clean build keeps it. It is made in a scratch folder and renamed into place only
# when complete, so a half-made root (an interrupted run) is thrown away and made anew, never used.
set -euo pipefail
cache=${HIVELARK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/hivelark}
root=$cache/i386-root
# Raise when the root's contents change, so that every machine makes it anew.
stamp=$root/.hivelark-root-1
if [ -f "$stamp" ]; then
  echo "$root"
  exit 0
fi
mkdir -p "$cache"
exec 9>"$cache/i386-root.lock"
flock 9
if [ -f "$stamp" ]; then
  echo "$root"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "i386-root: making the 32-bit root needs root" >&2
  exit 1
fi

scratch=$cache/i386-root.partial
rm -rf "$scratch" "$root"

echo "i386-root: making the 32-bit Debian root in $root" >&2
debootstrap --arch=i386 --variant=minbase bookworm "$scratch" >"$cache/debootstrap.log" 2>&1 ||
  {
    tail -20 "$cache/debootstrap.log" >&2
    exit 1
  }
cp /etc/resolv.conf "$scratch/etc/resolv.conf" 2>/dev/null || true
# The mounts live in a mount namespace of their own, which ends with the command: nothing is left
# mounted, whatever happens.
unshare --mount --propagation private /bin/sh -c '
  set -e
  mount -t proc proc "$1/proc"
  mount --rbind /dev "$1/dev"
  chroot "$1" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
    sh -c "apt-get update -qq && apt-get install -y -qq --no-install-recommends wine wine32 fonts-wine && apt-get clean"
' sh "$scratch" >"$cache/i386-packages.log" 2>&1 ||
  {
    tail -20 "$cache/i386-packages.log" >&2
    exit 1
  }
touch "$scratch/${stamp##*/}"
mv "$scratch" "$root"
echo "$root"
