#!/usr/bin/env bash
# Cross-builds the Windows programs with mingw-w64, each with its unit tests:
#   build-win32-i686/frame/intro.exe  the product, 32-bit x86 (PE32)
#   build-win32-x64/frame/intro.exe   the same program for x86_64
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/build-windows.sh"
  echo "Cross-builds build-win32-i686/frame/intro.exe and build-win32-x64/frame/intro.exe."
  exit 0
fi
cd "$(dirname "$0")/.."
jobs=$(nproc)
for arch in i686 x86_64; do
  if [ "$arch" = i686 ]; then dir=build-win32-i686; else dir=build-win32-x64; fi
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-$arch.cmake" \
    -DINTRO_TOOLS=OFF -DINTRO_TESTS=ON >/dev/null
  cmake --build "$dir" -j "$jobs"
done
ls -l build-win32-i686/frame/intro.exe build-win32-x64/frame/intro.exe
