#!/usr/bin/env bash
# Usage: check-dist.sh [EXE]
# Makes the package (scripts/dist.sh) and checks it: the zip holds the program, README.txt,
# LICENSE.txt and THIRD-PARTY-NOTICES.txt in this order, dated by the commit, the texts with CR LF
# line ends; SHA256SUMS matches it; the program passes scripts/check-pe.sh --release. Then a
# second build of the program from the same tree, in another build folder, must give the same
# package byte for byte: EXE when given (an unstripped build of this tree, such as the tested
# build/i686/bin/Hivelark.exe), else a build of its own in build/dist-check.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
second=$top/build/dist-check
"$top/scripts/dist.sh"
# The package just made is the one its sums name: a zip of an older version may lie beside it.
zip=$top/dist/$(awk '{ sub(/^\*/, "", $2); print $2; exit }' "$top/dist/SHA256SUMS")
(cd "$top/dist" && sha256sum --quiet -c SHA256SUMS)

rm -rf "$second/package" "$second/unpacked"
mkdir -p "$second/unpacked"
python3 - "$zip" "$second/unpacked" "${SOURCE_DATE_EPOCH:-$(git -C "$top" log -1 --format=%ct)}" <<'PY'
import sys, time, zipfile

path, unpacked, epoch = sys.argv[1:]
expected = ["Hivelark.exe", "README.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"]
stamp = time.gmtime(max(int(epoch), 315532800))[:5]
problems = []
with zipfile.ZipFile(path) as package:
    names = package.namelist()
    if names != expected:
        problems.append("holds %s, not %s" % (names, expected))
    for info in package.infolist():
        if info.date_time[:5] != stamp:
            problems.append("%s is dated %s, not by the commit" % (info.filename, info.date_time))
        data = package.read(info)
        if info.filename.endswith(".txt"):
            if not data.endswith(b"\r\n") or b"\n" in data.replace(b"\r\n", b""):
                problems.append(info.filename + " has lines not ending in CR LF")
            if any(byte > 0x7E for byte in data):
                problems.append(info.filename + " is not plain ASCII")
    package.extractall(unpacked)
if problems:
    sys.exit(path + ": " + "; ".join(problems))
print(path + ": " + ", ".join(names))
PY
"$top/scripts/check-pe.sh" --release "$second/unpacked/Hivelark.exe"

if [ $# -gt 0 ]; then
  "$top/scripts/dist.sh" --exe "$1" --out "$second/package" >/dev/null
else
  "$top/scripts/dist.sh" --build-dir "$second" --out "$second/package" >/dev/null
fi
if ! cmp "$zip" "$second/package/$(basename "$zip")"; then
  echo "check-dist: a second build of the same tree gives another package" >&2
  exit 1
fi
echo "check-dist: a second build of the same tree gives the same package"
