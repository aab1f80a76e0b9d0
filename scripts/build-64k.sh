#!/usr/bin/env bash
# Builds the product optimised for size: the same sources as
# scripts/build-windows.sh with cmake/size.cmake's flags (-Os, unused code
# collected, no unwind tables, exceptions or RTTI, stripped), then packs it.
# Prints a size report of the program before and after packing; the last line
# is the path of the file.
#   INTRO_64K_ARCH=x86_64  the same size build for x86_64 (build-64k-x64)
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/build-64k.sh"
  echo "Builds build-64k-i686/frame/intro.exe, optimised for size, and prints its size report."
  echo "INTRO_64K_ARCH=x86_64 builds the x86_64 twin in build-64k-x64 instead."
  exit 0
fi
cd "$(dirname "$0")/.."
arch=${INTRO_64K_ARCH:-i686}
case "$arch" in
  i686) dir=build-64k-i686 ;;
  x86_64) dir=build-64k-x64 ;;
  *) echo "build-64k.sh: unknown INTRO_64K_ARCH $arch" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-$arch.cmake" \
  -DCMAKE_PROJECT_INCLUDE="$PWD/cmake/size.cmake" \
  -DINTRO_TOOLS=OFF -DINTRO_TESTS=ON >/dev/null
cmake --build "$dir" -j "${INTRO_JOBS:-$(nproc)}" --target intro >&2
exe=$dir/frame/intro.exe
echo "== size report: $arch, unpacked"
python3 tools/sizereport/size_report.py "$exe" "$exe.map"
echo "$exe"
