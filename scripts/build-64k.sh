#!/usr/bin/env bash
# Builds the product optimised for size: the same sources as
# scripts/build-windows.sh with cmake/size.cmake's flags (-Os, unused code
# collected, no unwind tables, exceptions or RTTI, stripped), then packs it:
# size/pack.py compresses the program file (format in size/unpack.h), the
# unpacking code is tested natively on it (round trip, damaged copies
# refused), and the stub of size/stub.c carries it as build-64k-<arch>/intro-64k.exe.
# Prints a size report of the program before and after packing; the last line
# is the path of the packed file.
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
  i686) dir=build-64k-i686 triple=i686-w64-mingw32 ;;
  x86_64) dir=build-64k-x64 triple=x86_64-w64-mingw32 ;;
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

pack=$dir/pack
rm -rf "$pack" && mkdir -p "$pack"
"$triple-ld" --verbose >"$pack/default.ld"
python3 size/pack.py "$exe" "$pack/default.ld" "$pack"
gcc -std=c11 -O2 -Wall -Wextra -I. tests/size/unpack_test.c size/unpack.c -o "$pack/unpack_test"
"$pack/unpack_test" "$pack/image.bin" "$exe" >"$pack/unpack_test.log" ||
  { cat "$pack/unpack_test.log" >&2; echo "build-64k.sh: the unpacking code fails its tests" >&2; exit 1; }
flags=(-Os -std=c11 -I. -ffreestanding -fno-asynchronous-unwind-tables -fno-unwind-tables
  -fno-tree-loop-distribute-patterns -mno-stack-arg-probe -ffunction-sections -Wall -Wextra)
"$triple-gcc" "${flags[@]}" -c size/stub.c -o "$pack/stub.o"
"$triple-gcc" "${flags[@]}" -c size/unpack.c -o "$pack/unpack.o"
"$triple-gcc" -c "$pack/image.c" -o "$pack/image.o"
"$triple-gcc" -c "$pack/hole.s" -o "$pack/hole.o"
"$triple-windres" -O coff -I frame frame/intro.rc -o "$pack/res.o"
packed=$dir/intro-64k.exe
"$triple-gcc" -nostdlib -s -Wl,--gc-sections -Wl,--disable-reloc-section -Wl,--disable-dynamicbase \
  -Wl,--subsystem,windows -Wl,--image-base,"$(sed -n 1p "$pack/link.txt")" \
  -Wl,--entry,"$(sed -n 2p "$pack/link.txt")" -Wl,-T,"$pack/stub.ld" -Wl,-Map,"$packed.map" \
  -o "$packed" "$pack/hole.o" "$pack/stub.o" "$pack/unpack.o" "$pack/image.o" "$pack/res.o" -lkernel32
echo "== size report: $arch, packed"
python3 tools/sizereport/size_report.py "$packed" "$packed.map"
echo "$packed"
