#!/usr/bin/env bash
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
# Runs a Windows program of this build under Wine and passes on its exit code: a 32-bit program
# under the 32-bit Wine of the i386 root, a 64-bit one under this machine's Wine. The prefix lives
# in the build folder (next to bin/) unless WINEPREFIX is set. The program's output goes through a
# file: Wine's background processes inherit the output handles and would hold a caller's pipe open.
set -uo pipefail
program=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "$(dirname "$program")/.." && pwd)
arch=$("$here/pe-arch.sh" "$program") || exit 1
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX" "$arch" || exit 1
runner=()
[ "$arch" = i686 ] && runner=("$here/in-i386-root.sh")
output=$(mktemp)
"${runner[@]}" wine "$program" "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit $status
