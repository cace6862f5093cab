#!/usr/bin/env bash
# Usage: check-pe.sh FILE.exe
# Fails unless FILE is a 32-bit (PE32, i386) Windows GUI program.
set -euo pipefail
python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
machine = struct.unpack_from("<H", data, pe + 4)[0]
magic, = struct.unpack_from("<H", data, pe + 24)
subsystem, = struct.unpack_from("<H", data, pe + 24 + 68)
problems = []
if machine != 0x14C: problems.append("machine 0x%X is not i386" % machine)
if magic != 0x10B: problems.append("optional header 0x%X is not PE32" % magic)
if subsystem != 2: problems.append("subsystem %d is not the Windows GUI" % subsystem)
if problems:
    sys.exit(sys.argv[1] + ": " + "; ".join(problems))
print(sys.argv[1] + ": PE32 i386 Windows GUI program")
PY

# Every DLL it imports must come with Windows: the program is shipped as one file.
system_dlls="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msimg32.dll msvcrt.dll
shell32.dll user32.dll uxtheme.dll"
foreign=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' |
  while read -r dll; do
    case " $(echo $system_dlls) " in
    *" $dll "*) ;;
    *) echo "$dll" ;;
    esac
  done)
if [ -n "$foreign" ]; then
  echo "$1: imports DLLs that Windows does not have: $foreign" >&2
  exit 1
fi
echo "$1: imports only system DLLs"
