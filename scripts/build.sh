#!/usr/bin/env bash
# Usage: build.sh i686|x86_64 [cmake --build arguments...]
# Configures (once) and builds one architecture in build/<arch>, with the test programs and
# benchmarks unless HIVELARK_BUILD_TESTS=OFF is set.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
shift
build_dir=$top/build/$arch
tests=${HIVELARK_BUILD_TESTS:-ON}
if ! grep -qx "HIVELARK_BUILD_TESTS:BOOL=$tests" "$build_dir/CMakeCache.txt" 2>/dev/null; then
  cmake -S "$top" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DHIVELARK_BUILD_TESTS=$tests >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)" "$@"
