#!/usr/bin/env bash
# Usage: wine-loader.sh i686|x86_64
# Prints the Wine loader, inside the Wine root, that runs programs of the given build: the 32-bit
# loader for the 32-bit build (in a 64-bit prefix it runs the program under WoW64), the 64-bit one
# for the 64-bit build. Ends with 3, saying why on standard error, when this machine cannot run
# 32-bit code at all: some kernels run none (IA-32 emulation off), and the 32-bit loader and the
# 32-bit Windows code under WoW64 both need it. Any other failure of the 32-bit Wine ends with 1.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
case $1 in
x86_64)
  echo /usr/lib/wine/wine64
  ;;
i686)
  root=$("$here/wine-root.sh")
  # The root's 32-bit dynamic loader runs on its own. The kernel refuses to start it where it runs
  # no 32-bit code, and bash then gives up with 126 (a binary is never read as a script).
  status=0
  "$root/lib/ld-linux.so.2" --version >/dev/null 2>&1 </dev/null || status=$?
  if [ "$status" -eq 126 ]; then
    echo "wine-loader: this machine runs no 32-bit x86 code (its kernel has IA-32 emulation off)," \
      "so the 32-bit build cannot run under Wine here" >&2
    exit 3
  fi
  version=$("$here/in-wine-root.sh" /usr/lib/wine/wine --version 2>&1 </dev/null) || true
  if [[ $version != wine-* ]]; then
    echo "wine-loader: the 32-bit Wine of $root does not start: $version" >&2
    exit 1
  fi
  echo /usr/lib/wine/wine
  ;;
*)
  echo "usage: $0 i686|x86_64" >&2
  exit 2
  ;;
esac
