#!/usr/bin/env bash
# Usage: wine-prefix.sh PREFIX_DIR i686|x86_64
# Makes a Wine prefix ready for unattended runs of one build: no Mono or Gecko prompts, no crash
# dialog (a crash must fail a test, not wait for a person), one virtual desktop, Wine's own fonts.
# The 32-bit build's prefix is made and used by the 32-bit Wine of the i386 root, the 64-bit one's by
# this machine's Wine: neither Wine can use the other's prefix. Does nothing when the prefix is
# already made.
set -euo pipefail
prefix=$1
arch=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
# Raise the number when the set-up below changes: older prefixes are then made anew.
stamp=$prefix/.hivelark-ready-3
if [ -f "$stamp" ]; then
  exit 0
fi
# A prefix of an older set-up of ours is made anew; anything else is set up where it is.
if compgen -G "$prefix/.hivelark-ready-*" >/dev/null; then
  rm -rf "$prefix"
fi
runner=()
[ "$arch" = i686 ] && runner=("$here/in-i386-root.sh")
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Windows live in one desktop window that Wine draws itself, frames included, as on Windows: a bare
# X server has no window manager, and without one every window shown waits for the X server to map
# it. This Wine looks for its own fonts (Tahoma, the dialog font, and Marlett, whose glyphs are the
# title bar's buttons) at a path it never finds, so windows would be drawn in substitutes; it always
# loads the fonts of the Windows Fonts folder, so they go there.
set_up='
  wineboot -i
  wine reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f
  wine reg add "HKCU\\Software\\Wine\\Explorer" /v Desktop /d Default /f
  wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Default /d 1280x1024 /f
  wineserver -w
  cp -n "$(dirname "$(command -v wine)")"/../share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
'
# Background Wine processes inherit our output: keep them off any pipe of the caller.
"${runner[@]}" bash -c "$set_up" >/dev/null 2>&1 </dev/null
[ -f "$prefix/drive_c/windows/Fonts/tahoma.ttf" ] || {
  echo "wine-prefix: could not make the $arch prefix $prefix" >&2
  exit 1
}
touch "$stamp"
