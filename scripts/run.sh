#!/usr/bin/env bash
# Installs what is missing, builds, and starts Hivelark under Wine: the 32-bit program, the one
# users get, as most of them run it: under WoW64, in a 64-bit prefix of the Wine root (the 64-bit
# build where this machine runs no 32-bit code). With no display, a virtual X server is started, a
# screenshot of the screen after start-up is written to the path printed, and the program keeps
# running until interrupted.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/bootstrap.sh"
arch=i686
loader_status=0
loader=$("$top/scripts/wine-loader.sh" $arch) || loader_status=$?
if [ "$loader_status" -eq 3 ]; then
  echo "run: starting the 64-bit build instead" >&2
  arch=x86_64
  loader=$("$top/scripts/wine-loader.sh" $arch)
elif [ "$loader_status" -ne 0 ]; then
  exit 1
fi
"$top/scripts/build.sh" $arch --target Hivelark
# A prefix of its own: the tests' prefix puts every window into one virtual desktop.
export WINEPREFIX=${WINEPREFIX:-$top/build/$arch/run-prefix} WINEDEBUG=${WINEDEBUG:--all}
"$top/scripts/wine-prefix.sh" "$WINEPREFIX"
in_root() {
  "$top/scripts/in-wine-root.sh" "$@"
}
if [ -n "${DISPLAY:-}" ]; then
  # On a real display the program's windows are the display's own windows.
  in_root /usr/lib/wine/wine64 reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f \
    >/dev/null 2>&1 </dev/null || true
fi
program=$top/build/$arch/bin/Hivelark.exe

xvfb_pid=
cleanup() {
  in_root wineserver -k >/dev/null 2>&1 </dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  sleep 2
  # Wine's virtual desktop (set up in the prefix) draws the window frames itself: a bare X server
  # has no window manager to draw them.
  in_root "$loader" "$program" >"$top/build/hivelark-run.log" 2>&1 </dev/null &
  program_pid=$!
  # Start-up is done once the main window is on the screen.
  for _ in $(seq 1 60); do
    xdotool search --name '^Hivelark$' >/dev/null 2>&1 && break
    sleep 0.5
  done
  sleep 1
  shot=$top/build/hivelark-screen.png
  import -window root "$shot"
  echo "Hivelark is running on the virtual display $DISPLAY; screenshot: $shot"
  echo "Press Ctrl+C to stop."
  wait "$program_pid"
else
  in_root "$loader" "$program"
fi
