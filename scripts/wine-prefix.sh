#!/usr/bin/env bash
# Usage: wine-prefix.sh PREFIX_DIR
# Makes a Wine prefix ready for unattended runs: no Mono or Gecko prompts, no crash dialog (a crash
# must fail a test, not wait for a person). Does nothing when the prefix is already made.
set -euo pipefail
prefix=$1
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
stamp=$prefix/.hivelark-ready-2
if [ -f "$stamp" ]; then
  exit 0
fi
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Background Wine processes inherit our output: keep them off any pipe of the caller.
wineboot -i >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
# Windows live in one desktop window that Wine draws itself, frames included, as on Windows: a
# bare X server has no window manager, and without one every window shown waits for the X server
# to map it.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 </dev/null
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1 </dev/null
wineserver -w
touch "$stamp"
