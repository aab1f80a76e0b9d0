#!/usr/bin/env bash
# Builds and runs the whole test suite: a normal build, a sanitizer build
# (AddressSanitizer + UndefinedBehaviorSanitizer), the browser version in headless
# chromium and in Firefox, and the Windows builds under Wine.
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/test.sh"
  echo "Installs what is missing, then builds and runs every test: the normal build,"
  echo "the sanitizer build (build-asan), the browser version in headless chromium and"
  echo "in Firefox (build-web) and the Windows builds under Wine."
  exit 0
fi
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DINTRO_SANITIZE=ON -DINTRO_TESTS=ON \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE nosan

# The browser version in headless chromium and in Firefox against the native frames.
scripts/test-web.sh

if [ -x scripts/test-windows.sh ]; then
  scripts/test-windows.sh
fi

# The size build of the product (packed, at most 64 KB) under Wine.
if [ -x scripts/test-64k.sh ]; then
  scripts/test-64k.sh
fi

# The release without the video: dist/ and its zip, contents and sizes checked.
if [ -x scripts/release.sh ]; then
  scripts/release.sh
fi
