#!/usr/bin/env bash
# Usage: pe-arch.sh PROGRAM.exe
# Prints the build a Windows program is of: i686 or x86_64, read from its PE header's machine.
set -euo pipefail
header=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ')
machine=$(od -An -tx2 -j $((header + 4)) -N 2 "$1" | tr -d ' ')
case $machine in
014c) echo i686 ;;
8664) echo x86_64 ;;
*)
  echo "pe-arch: $1 is not a 32-bit or 64-bit x86 Windows program (machine $machine)" >&2
  exit 1
  ;;
esac
