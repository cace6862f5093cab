#!/usr/bin/env bash
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
# Runs a Windows program of this build under Wine and passes on its exit code. The prefix lives in
# the build folder (next to bin/) unless WINEPREFIX is set. The program's output goes through a file:
# Wine's background processes inherit the output handles and would hold a caller's pipe open.
set -uo pipefail
program=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "$(dirname "$program")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX"
output=$(mktemp)
wine "$program" "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit $status
