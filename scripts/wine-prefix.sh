#!/usr/bin/env bash
# Usage: wine-prefix.sh PREFIX_DIR [DESKTOP_SIZE]
# Makes a Wine prefix ready for unattended runs: a 64-bit prefix, as 64-bit Windows is, in which the
# 32-bit program runs under WoW64 and the 64-bit build natively; no Mono or Gecko prompts, no crash
# dialog (a crash must fail a test, not wait for a person), one virtual desktop, Wine's own fonts.
# It is made and used by the Wine of the Wine root (scripts/wine-root.sh), set up by its 64-bit
# loader, which runs on every machine. Does nothing when the prefix is already made. The virtual
# desktop is DESKTOP_SIZE (WIDTHxHEIGHT) big, 1280x1024 unless given; a made prefix asked for
# another size takes it from its next Wine session on.
set -euo pipefail
prefix=$1
desktop=${2:-}
if [ -n "$desktop" ] && ! [[ $desktop =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
  echo "wine-prefix: the desktop size must be WIDTHxHEIGHT, not '$desktop'" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
# Raise the number when the set-up below changes: older prefixes are then made anew.
stamp=$prefix/.hivelark-ready-4
# The stamp holds the desktop's size (nothing in a prefix made before sizes could be chosen).
if [ -f "$stamp" ]; then
  made=$(cat "$stamp")
  if [ -z "$desktop" ] || [ "$desktop" = "${made:-1280x1024}" ]; then
    exit 0
  fi
  WINEPREFIX=$prefix WINEDEBUG=-all "$here/in-wine-root.sh" /usr/lib/wine/wine64 reg add \
    'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop" /f >/dev/null 2>&1 </dev/null
  echo "$desktop" >"$stamp"
  exit 0
fi
desktop=${desktop:-1280x1024}
# A prefix of an older set-up of ours is made anew; anything else is set up where it is.
if compgen -G "$prefix/.hivelark-ready-*" >/dev/null; then
  rm -rf "$prefix"
fi
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Windows live in one desktop window that Wine draws itself, frames included, as on Windows: a bare
# X server has no window manager, and without one every window shown waits for the X server to map
# it. This Wine looks for its own fonts (Tahoma, the dialog font, and Marlett, whose glyphs are the
# title bar's buttons) at a path it never finds, so windows would be drawn in substitutes; it always
# loads the fonts of the Windows Fonts folder, so they go there.
set_up='
  wine=/usr/lib/wine/wine64
  $wine wineboot -i
  $wine reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f
  $wine reg add "HKCU\\Software\\Wine\\Explorer" /v Desktop /d Default /f
  $wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Default /d $desktop /f
  wineserver -w
  cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
'
# Background Wine processes inherit our output: keep them off any pipe of the caller.
desktop=$desktop "$here/in-wine-root.sh" bash -c "$set_up" >/dev/null 2>&1 </dev/null
# The 32-bit half of the prefix, which runs the 32-bit program under WoW64, is set up only where
# this machine runs 32-bit code.
needed=(Fonts/tahoma.ttf system32/kernel32.dll)
"$here/wine-loader.sh" i686 >/dev/null 2>&1 && needed+=(syswow64/kernel32.dll)
for file in "${needed[@]}"; do
  if [ ! -f "$prefix/drive_c/windows/$file" ]; then
    echo "wine-prefix: could not make the 64-bit prefix $prefix (no $file)" >&2
    exit 1
  fi
done
echo "$desktop" >"$stamp"
