#!/usr/bin/env bash
# Usage: check-pe.sh [--release] FILE.exe
# Fails unless FILE is a 32-bit (PE32, i386) Windows GUI program that imports only DLLs that come
# with Windows. With --release, also unless it is the program as shipped: stripped, with no time
# stamps, its version information (1.0.0.0, the About box's copyright line) and its manifest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
release=
if [ "${1:-}" = --release ]; then
  release=1
  shift
fi
python3 - "$1" "$release" "$top/src/shell/About.cpp" <<'PY'
import re, struct, sys
import xml.etree.ElementTree as ET

path, release, about_source = sys.argv[1:]
data = open(path, "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
machine, section_count, time_stamp, symbols_at, symbol_count, optional_size = struct.unpack_from(
    "<HHIIIH", data, pe + 4)
optional = pe + 24
magic, = struct.unpack_from("<H", data, optional)
subsystem, = struct.unpack_from("<H", data, optional + 68)
problems = []
if machine != 0x14C: problems.append("machine 0x%X is not i386" % machine)
if magic != 0x10B: problems.append("optional header 0x%X is not PE32" % magic)
if subsystem != 2: problems.append("subsystem %d is not the Windows GUI" % subsystem)
if problems or not release:
    if problems:
        sys.exit(path + ": " + "; ".join(problems))
    print(path + ": PE32 i386 Windows GUI program")
    sys.exit(0)

sections = []
strings_at = symbols_at + 18 * symbol_count
for i in range(section_count):
    at = optional + optional_size + 40 * i
    name = data[at:at + 8].rstrip(b"\0").decode("latin-1")
    if name.startswith("/") and symbols_at:
        # A long name, kept in the string table after the symbols.
        start = strings_at + int(name[1:])
        name = data[start:data.index(b"\0", start)].decode("latin-1")
    size, address, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
    sections.append((name, address, max(size, raw_size), raw_at))


def offset(rva):
    for _, address, size, raw_at in sections:
        if address <= rva < address + size:
            return raw_at + rva - address
    raise ValueError("address 0x%X is in no section" % rva)


def directory(index):
    return struct.unpack_from("<II", data, optional + 96 + 8 * index)


# Stripped: no symbols and no debugging sections (strip keeps a string table for the long name
# ".eh_frame").
if symbol_count:
    problems.append("has %d symbols" % symbol_count)
unstripped = [name for name, *_ in sections if name.startswith((".debug", "/"))]
if unstripped:
    problems.append("has debugging sections " + " ".join(unstripped))

# No time stamps: the same sources must give the same bytes.
if time_stamp:
    problems.append("the PE header has the time stamp 0x%X" % time_stamp)
export_rva, export_size = directory(0)
if export_size and struct.unpack_from("<I", data, offset(export_rva) + 4)[0]:
    problems.append("the export table has a time stamp")
debug_rva, debug_size = directory(6)
for at in range(0, debug_size, 28):
    if struct.unpack_from("<I", data, offset(debug_rva) + at + 4)[0]:
        problems.append("a debug directory entry has a time stamp")

# The resources: (type, name, language) -> bytes.
resource_rva, resource_size = directory(2)
resources = {}


def walk(at, path_so_far):
    base = offset(resource_rva)
    stamp, = struct.unpack_from("<I", data, base + at + 4)
    if stamp:
        problems.append("a resource directory has the time stamp 0x%X" % stamp)
    named, numbered = struct.unpack_from("<HH", data, base + at + 12)
    for i in range(named + numbered):
        name, target = struct.unpack_from("<II", data, base + at + 16 + 8 * i)
        key = path_so_far + (name if name < 0x80000000 else "named",)
        if target & 0x80000000:
            walk(target & 0x7FFFFFFF, key)
        else:
            rva, size = struct.unpack_from("<II", data, base + target)
            resources[key] = data[offset(rva):offset(rva) + size]


if resource_size:
    walk(0, ())


def resource(kind, name):
    found = [value for key, value in resources.items() if key[:2] == (kind, name)]
    if len(found) != 1:
        problems.append("%d resources of type %d and name %d, not one" % (len(found), kind, name))
        return None
    return found[0]


# The version information: a tree of (key, value, children) nodes.
def node(block, at):
    length, value_length, is_text = struct.unpack_from("<HHH", block, at)
    end = at + length
    key_end = at + 6
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[at + 6:key_end].decode("utf-16-le")
    value_at = (key_end + 2 + 3) & ~3
    if is_text:
        value = block[value_at:value_at + 2 * value_length].decode("utf-16-le").split("\0")[0]
        value_end = value_at + 2 * value_length
    else:
        value = block[value_at:value_at + value_length]
        value_end = value_at + value_length
    children = []
    child_at = (value_end + 3) & ~3
    while child_at < end:
        child = node(block, child_at)
        children.append(child[:3])
        child_at = (child[3] + 3) & ~3
    return key, value, children, end


version = resource(16, 1)
if version is not None:
    key, fixed, children, _ = node(version, 0)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if key != "VS_VERSION_INFO" or signature != 0xFEEF04BD:
        problems.append("the version information is malformed")
    if (file_ms, file_ls, product_ms, product_ls) != (0x10000, 0, 0x10000, 0):
        problems.append("the file and product versions are not 1.0.0.0")
    strings = {}
    for block_key, _, tables in children:
        if block_key == "StringFileInfo":
            for _, _, entries in tables:
                strings.update((name, text) for name, text, _ in entries)
    # The About box's copyright line, as its source spells it in the system code page.
    about = re.search(r'kCopyright\[\] = "((?:[^"\\]|\\.)*)"', open(about_source).read()).group(1)
    copyright = about.encode("latin-1").decode("unicode_escape").encode("latin-1").decode("cp1252")
    expected = {"FileVersion": "1.0.0.0", "ProductVersion": "1.0.0.0", "ProductName": "Hivelark",
                "LegalCopyright": copyright, "OriginalFilename": "Hivelark.exe"}
    for name, text in expected.items():
        if strings.get(name) != text:
            problems.append("version string %s is %r, not %r" % (name, strings.get(name), text))

# The manifest: common controls 6, the user's own rights, every Windows version from Vista on, and
# awareness of each monitor's DPI.
manifest = resource(24, 1)
if manifest is not None:
    root = ET.fromstring(manifest)
    ids = [e.attrib for e in root.iter() if e.tag.endswith("}assemblyIdentity")]
    if not any(i.get("name") == "Microsoft.Windows.Common-Controls" and
               i.get("version") == "6.0.0.0" for i in ids):
        problems.append("the manifest does not ask for common controls 6.0.0.0")
    levels = [e.get("level") for e in root.iter() if e.tag.endswith("}requestedExecutionLevel")]
    if levels != ["asInvoker"]:
        problems.append("the manifest's execution level is %s, not asInvoker" % levels)
    supported = {e.get("Id").lower() for e in root.iter() if e.tag.endswith("}supportedOS")}
    windows = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista",
               "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
               "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11"}
    for guid, name in windows.items():
        if guid not in supported:
            problems.append("the manifest does not name Windows %s" % name)
    aware = {e.tag.split("}")[-1]: (e.text or "").strip() for e in root.iter()
             if e.tag.endswith("}dpiAware") or e.tag.endswith("}dpiAwareness")}
    if aware.get("dpiAware") != "true/pm" or \
            aware.get("dpiAwareness") != "PerMonitorV2, PerMonitor":
        problems.append("the manifest does not declare per-monitor DPI awareness: %s" % aware)

if problems:
    sys.exit(path + ": " + "; ".join(problems))
print(path + ": PE32 i386 Windows GUI program, stripped, no time stamps, version 1.0.0.0, "
      "manifest for Windows Vista to 11, aware of each monitor's DPI")
PY

# Every DLL it imports must come with Windows: the program is shipped as one file.
system_dlls="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msimg32.dll msvcrt.dll
ole32.dll shell32.dll user32.dll uxtheme.dll"
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
