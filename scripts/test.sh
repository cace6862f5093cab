#!/usr/bin/env bash
# Installs what is missing, builds both architectures with their test programs and runs every test
# program against both builds under the Wine of the Wine root, in 64-bit prefixes, on one virtual X
# server: the 32-bit build (the program users get) under WoW64, as users on 64-bit Windows run it,
# the 64-bit build natively. Ends with ctest's one summary of both and its exit code.
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
# The DPI test changes the screen DPI of a prefix of its own, whose desktop holds the main window
# at 192 dpi; the X screen is as large.
desktop=1920x1200
for arch in "${arches[@]}"; do
  "$top/scripts/wine-prefix.sh" "$top/build/$arch/wineprefix"
  "$top/scripts/wine-prefix.sh" "$top/build/$arch/dpiprefix" "$desktop"
done

loader_status=0
"$top/scripts/wine-loader.sh" i686 >/dev/null || loader_status=$?
case $loader_status in
0) ;;
3)
  echo "test: the tests of the 32-bit build will be listed as not run (skipped): this machine" \
    "cannot run 32-bit code; on one that can, they run under WoW64" >&2
  ;;
*) exit 1 ;;
esac

# One ctest run over both build trees, so that one summary counts both.
cat >"$top/build/CTestTestfile.cmake" <<CTEST
# Made by scripts/test.sh: the tests of both builds.
subdirs("i686" "x86_64")
CTEST
cd "$top/build"
status=0
export WINEDEBUG=-all
# Each build's Wine session lives while the suite runs, instead of starting anew for every program.
xvfb-run -a -s "-screen 0 ${desktop}x24" bash -c '
  top=$1
  shift
  sessions() {
    for arch in i686 x86_64; do
      WINEPREFIX=$top/build/$arch/wineprefix "$top/scripts/in-wine-root.sh" wineserver "$1"
    done
  }
  sessions -p >/dev/null 2>&1 </dev/null
  ctest --output-on-failure -j 2 "$@"
  status=$?
  sessions -k >/dev/null 2>&1 </dev/null
  exit $status' ctest "$top" "$@" || status=$?
exit $status
