#!/usr/bin/env bash
# Usage: dist.sh [--build-dir DIR] [--out DIR] [--exe FILE]
# Makes the package users get: builds the 32-bit program in a release build folder of its own
# (build/dist), strips it, and writes OUT/Hivelark-<version>-win32.zip (default OUT: dist/) with
# the program, README.txt, LICENSE.txt and THIRD-PARTY-NOTICES.txt, and OUT/SHA256SUMS.
# The package depends only on the sources and the toolchain: two runs from checkouts of the same
# commit give the same bytes. Its entries are dated by that commit (or by SOURCE_DATE_EPOCH).
# --exe FILE packages FILE, an unstripped 32-bit build of the program, instead of building one.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$top/build/dist
out=$top/dist
exe=
while [ $# -gt 0 ]; do
  case $1 in
  --build-dir | --out | --exe)
    [ $# -ge 2 ] || { echo "dist: $1 needs a value" >&2; exit 2; }
    case $1 in
    --build-dir) build_dir=$2 ;;
    --out) out=$2 ;;
    --exe) exe=$2 ;;
    esac
    shift 2
    ;;
  *)
    echo "usage: dist.sh [--build-dir DIR] [--out DIR] [--exe FILE]" >&2
    exit 2
    ;;
  esac
done

version=$(sed -n 's/^project(Hivelark VERSION \([0-9]*\.[0-9]*\).*/\1/p' "$top/CMakeLists.txt")
[ -n "$version" ] || { echo "dist: no version in CMakeLists.txt" >&2; exit 1; }
zip_name=Hivelark-$version-win32.zip
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$top" log -1 --format=%ct 2>/dev/null) || {
    echo "dist: not a git checkout: set SOURCE_DATE_EPOCH to the sources' date" >&2
    exit 1
  }
fi

if [ -z "$exe" ]; then
  # The options are given at every run, so that a folder configured otherwise is set right.
  cmake -S "$top" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DHIVELARK_BUILD_TESTS=OFF >/dev/null
  # Linked afresh every time: the package never takes a program left over in the folder.
  rm -f "$build_dir/bin/Hivelark.exe"
  cmake --build "$build_dir" -j "$(nproc)" --target Hivelark
  exe=$build_dir/bin/Hivelark.exe
fi

mkdir -p "$out"
stage=$(mktemp -d "$out/.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
# strip writes its own time into the PE header unless given one: 0, as the linker leaves it.
SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip --strip-all -o "$stage/Hivelark.exe" "$exe"

python3 - "$stage/$zip_name" "$SOURCE_DATE_EPOCH" "$stage/Hivelark.exe" \
  "$top/packaging/README.txt" "$top/LICENSE" "$top/packaging/THIRD-PARTY-NOTICES.txt" <<'PY'
import sys, time, zipfile

path, epoch, exe, readme, licence, notices = sys.argv[1:]
# Zip times are DOS times: local time without a zone (UTC here), from 1980 on, in 2-second steps.
stamp = time.gmtime(max(int(epoch), 315532800))[:6]


def text(name):
    data = open(name, "rb").read()
    if b"\r" in data:
        sys.exit("dist: %s must have LF line ends; the package gets CR LF" % name)
    return data.replace(b"\n", b"\r\n")


entries = [
    ("Hivelark.exe", open(exe, "rb").read(), 0o755),
    ("README.txt", text(readme), 0o644),
    ("LICENSE.txt", text(licence), 0o644),
    ("THIRD-PARTY-NOTICES.txt", text(notices), 0o644),
]
with zipfile.ZipFile(path, "w") as package:
    for name, data, mode in entries:
        info = zipfile.ZipInfo(name, stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 3  # Unix, so that the modes below are kept
        info.external_attr = (0o100000 | mode) << 16
        package.writestr(info, data, compresslevel=9)
PY

(cd "$stage" && sha256sum "$zip_name" >SHA256SUMS)
rm -f "$out/$zip_name" "$out/SHA256SUMS"
mv "$stage/$zip_name" "$stage/SHA256SUMS" "$out/"
echo "dist: wrote $out/$zip_name and $out/SHA256SUMS"
cat "$out/SHA256SUMS"
