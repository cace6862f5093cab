#!/usr/bin/env bash
# Installs what is missing, builds both architectures and runs the whole suite under Wine on a
# virtual X server. Ends with ctest's summary and its exit code.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/bootstrap.sh"
"$top/scripts/build.sh" i686
"$top/scripts/check-pe.sh" "$top/build/i686/bin/Hivelark.exe"
"$top/scripts/build.sh" x86_64
export WINEPREFIX=$top/build/x86_64/wineprefix WINEDEBUG=-all
"$top/scripts/wine-prefix.sh" "$WINEPREFIX"
cd "$top/build/x86_64"
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p >/dev/null 2>&1 </dev/null
  ctest --output-on-failure -j 2 "$@"
  status=$?
  wineserver -k >/dev/null 2>&1 </dev/null
  exit $status' ctest "$@" || status=$?
exit $status
