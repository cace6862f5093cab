#!/usr/bin/env bash
# Usage: in-wine-root.sh COMMAND [ARGS...]
# Runs a command inside the Debian root with Wine (scripts/wine-root.sh makes it), in the current
# folder, with what a Windows program under Wine needs bound in: /proc, /dev, the X server's socket
# and authority file, and this checkout at its own path, so that a Z:\ path names the same file on
# both sides. The mounts live in a mount namespace of this run alone: they vanish when it ends,
# however it ends, and two runs at once never see or undo each other's. HIVELARK_ROOT_BINDS may
# name further folders or files to bind, one a line.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
root=$("$top/scripts/wine-root.sh")
here=$(pwd)

binds=("$top")
# A build folder or a scratch folder outside the checkout (a benchmark's, say) comes along too.
case "$here/" in
"$top"/*) ;;
*) binds+=("$here") ;;
esac
[ -d /tmp/.X11-unix ] && binds+=(/tmp/.X11-unix)
# xvfb-run keeps the display's authority file in a scratch folder of its own; without XAUTHORITY,
# X reads the home folder's file, and the root's home is not this one.
if [ -z "${XAUTHORITY:-}" ] && [ -f "$HOME/.Xauthority" ]; then
  export XAUTHORITY=$HOME/.Xauthority
  binds+=("$XAUTHORITY")
elif [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
  binds+=("$(dirname "$XAUTHORITY")")
fi
while IFS= read -r extra; do
  [ -n "$extra" ] && binds+=("$extra")
done <<<"${HIVELARK_ROOT_BINDS:-}"

exec unshare --mount --propagation private /bin/bash -c '
  set -e
  root=$1 here=$2 binds=$3
  shift 3
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  set -f
  IFS=$'"'\n'"'
  for path in $binds; do
    if [ -d "$path" ]; then
      mkdir -p "$root$path"
    else
      mkdir -p "$(dirname "$root$path")"
      touch "$root$path"
    fi
    mount --bind "$path" "$root$path"
  done
  unset IFS
  set +f
  exec chroot "$root" /bin/sh -c "cd \"\$0\" && exec \"\$@\"" "$here" "$@"
' in-wine-root "$root" "$here" "$(printf '%s\n' "${binds[@]}")" "$@"
