#!/usr/bin/env bash
# Usage: wine-root.sh
# Makes, once, the Debian root in which every Windows build of Hivelark and its tests run under
# Wine, and prints its path. It is an amd64 root with the i386 architecture added to its own dpkg
# and Wine's 32-bit and 64-bit halves installed, so that its 64-bit prefixes run the 32-bit program
# under WoW64, as most users run it on 64-bit Windows, with the registry redirected as there; the
# 64-bit build runs in the same prefixes natively. The host's apt stays amd64 only: adding i386 to
# it breaks its package lists here. The root lives in a cache folder outside the work tree and
# outside build/, so that a clean build keeps it. It is made in a scratch folder and renamed into
# place only when complete, so a half-made root (an interrupted run) is thrown away and made anew,
# never used.
set -euo pipefail
cache=${HIVELARK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/hivelark}
root=$cache/wine-root
# Raise when the root's contents change, so that every machine makes it anew.
stamp=$root/.hivelark-root-1
if [ -f "$stamp" ]; then
  echo "$root"
  exit 0
fi
mkdir -p "$cache"
exec 9>"$cache/wine-root.lock"
flock 9
if [ -f "$stamp" ]; then
  echo "$root"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "wine-root: making the Wine root needs root" >&2
  exit 1
fi

scratch=$cache/wine-root.partial
rm -rf "$scratch" "$root"
# The 32-bit-only root of earlier versions is no longer used.
rm -rf "$cache/i386-root" "$cache/i386-root.partial" "$cache/i386-root.lock"

echo "wine-root: making the Debian root with WoW64 Wine in $root (about 4 minutes)" >&2
debootstrap --arch=amd64 --variant=minbase bookworm "$scratch" >"$cache/debootstrap.log" 2>&1 ||
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
    sh -c "dpkg --add-architecture i386 && apt-get update -qq &&
      apt-get install -y -qq --no-install-recommends wine wine32 wine64 fonts-wine && apt-get clean"
' sh "$scratch" >"$cache/wine-packages.log" 2>&1 ||
  {
    tail -20 "$cache/wine-packages.log" >&2
    exit 1
  }
touch "$scratch/${stamp##*/}"
mv "$scratch" "$root"
echo "$root"
