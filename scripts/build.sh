#!/usr/bin/env bash
# Usage: build.sh i686|x86_64 [cmake --build arguments...]
# Configures (once) and builds one architecture in build/<arch>.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
shift
build_dir=$top/build/$arch
tests=ON
# The 32-bit build is the program users get; its tests cannot run on this 64-bit-only Wine.
[ "$arch" = i686 ] && tests=OFF
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DHIVELARK_BUILD_TESTS=$tests >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)" "$@"
