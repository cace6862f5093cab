#!/usr/bin/env bash
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
# Runs a Windows program of either build under the Wine of the Wine root, in a 64-bit prefix: the
# 32-bit program under WoW64, as users on 64-bit Windows run it, the 64-bit one natively. Passes on
# its exit code. A program of a build that this machine cannot run at all (scripts/wine-loader.sh
# says why) is not started: the exit code is then 77, which the suite counts as not run. The
# prefix lives in the build folder (next to bin/) unless WINEPREFIX is set. The program's output
# goes through a file: Wine's background processes inherit the output handles and would hold a
# caller's pipe open.
set -uo pipefail
program=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "$(dirname "$program")/.." && pwd)
arch=$("$here/pe-arch.sh" "$program") || exit 1
loader=$("$here/wine-loader.sh" "$arch") || {
  [ $? -eq 3 ] && exit 77
  exit 1
}
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX" || exit 1
output=$(mktemp)
"$here/in-wine-root.sh" "$loader" "$program" "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit $status
