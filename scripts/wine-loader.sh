#!/usr/bin/env bash
# Usage: wine-loader.sh i686|x86_64
# Prints the Wine loader, inside the Wine root, that runs programs of the given build: the 32-bit
# loader for the 32-bit build (in a 64-bit prefix it runs the program under WoW64), the 64-bit one
# for the 64-bit build. Ends with 3, saying why on standard error, when this machine cannot run the
# build at all: the 32-bit loader is 32-bit Linux code, and some kernels run none (IA-32 emulation
# off); Wine's 32-bit Windows code needs the same 32-bit mode of the processor, in either WoW64.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
case $1 in
x86_64)
  echo /usr/lib/wine/wine64
  ;;
i686)
  # The kernel's own word: a 32-bit program either runs or its start is refused.
  if "$here/in-wine-root.sh" /usr/lib/wine/wine --version 2>/dev/null </dev/null | grep -q '^wine-'; then
    echo /usr/lib/wine/wine
  else
    echo "wine-loader: this machine runs no 32-bit x86 code (its kernel has IA-32 emulation off)," \
      "so the 32-bit build cannot run under Wine here" >&2
    exit 3
  fi
  ;;
*)
  echo "usage: $0 i686|x86_64" >&2
  exit 2
  ;;
esac
