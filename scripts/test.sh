#!/usr/bin/env bash
# Installs what is missing, builds both architectures with their test programs and runs every test
# program against both builds under Wine on one virtual X server: the 32-bit build (the program
# users get) under the 32-bit Wine of the i386 root, the 64-bit build under this machine's Wine.
# Ends with ctest's one summary of both and its exit code.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
arches=(i686 x86_64)
"$top/scripts/bootstrap.sh"
for arch in "${arches[@]}"; do
  "$top/scripts/build.sh" "$arch"
done
"$top/scripts/check-pe.sh" "$top/build/i686/bin/Hivelark.exe"
# The release package: its contents, the shipped program's header, imports and version, and that the
# program the suite runs is, stripped, byte for byte the one in the package.
"$top/scripts/check-dist.sh" "$top/build/i686/bin/Hivelark.exe"
for arch in "${arches[@]}"; do
  "$top/scripts/wine-prefix.sh" "$top/build/$arch/wineprefix" "$arch"
done

# One ctest run over both build trees, so that one summary counts both.
cat >"$top/build/CTestTestfile.cmake" <<CTEST
# Made by scripts/test.sh: the tests of both builds.
subdirs("i686" "x86_64")
CTEST
cd "$top/build"
status=0
export WINEDEBUG=-all
# Each build's Wine session lives while the suite runs, instead of starting anew for every program.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  top=$1
  shift
  sessions() {
    WINEPREFIX=$top/build/i686/wineprefix "$top/scripts/in-i386-root.sh" wineserver "$1"
    WINEPREFIX=$top/build/x86_64/wineprefix wineserver "$1"
  }
  sessions -p >/dev/null 2>&1 </dev/null
  ctest --output-on-failure -j 2 "$@"
  status=$?
  sessions -k >/dev/null 2>&1 </dev/null
  exit $status' ctest "$top" "$@" || status=$?
exit $status
