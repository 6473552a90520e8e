#!/usr/bin/env bash
# Builds the native program and tests (build/native), the sanitizer build (build/asan)
# and the Windows cross build (build/mingw). Usage: build.sh [native|asan|mingw]...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(native asan mingw)
for t in "${targets[@]}"; do
  case "$t" in
    native) cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null ;;
    asan) cmake -S "$root" -B "$root/build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVETREL_SANITIZE=ON -DVETREL_BENCH=OFF "${launcher[@]}" >/dev/null ;;
    mingw) cmake -S "$root" -B "$root/build/mingw" -G Ninja -DCMAKE_BUILD_TYPE=Release \
             -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DVETREL_BENCH=OFF "${launcher[@]}" >/dev/null ;;
    *) echo "unknown build: $t" >&2; exit 2 ;;
  esac
  cmake --build "$root/build/$t" -j "$jobs"
done
