#!/usr/bin/env bash
# Makes the release as such productions are published: dist/ and
# intro-release.zip of it, holding
#   intro.exe          the product: 32-bit Windows, the normal build
#   intro-64k.exe      the same program packed into 64 KB (scripts/build-64k.sh)
#   intro-x64.exe      the x86_64 twin of intro.exe
#   web/               the browser version, the folder any static host serves
#   screenshot.png     1920x1080, a telling moment
#   intro.nfo          what it is and how to run it (80 columns at most)
#   file_id.diz        the short description (45 columns, 10 lines at most)
#   intro-1080p60.mp4  with --video: the whole show captured at 1920x1080, 60 fps
# Builds in the folders the other scripts use (build-win32-*, build-64k-*,
# build-web, build), so that after the tests only what changed is built, then
# checks the contents and sizes of dist/ and of the zip.
set -euo pipefail
video=0
case "${1:-}" in
  --help)
    echo "usage: scripts/release.sh [--video]"
    echo "Builds every product and makes dist/ and intro-release.zip; --video adds a"
    echo "1920x1080 capture at 60 frames a second."
    exit 0
    ;;
  --video) video=1 ;;
  "") ;;
  *) echo "release.sh: unknown option $1" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
jobs=${INTRO_JOBS:-$(nproc)}
# The moment on the screenshot: music time in seconds.
shot_time=${INTRO_SHOT_TIME:-76.8}

# A folder configured before (with or without its tests) is only brought up
# to date.
configure() {
  local dir=$1
  shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}
configure build-win32-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
  -DINTRO_TOOLS=OFF -DINTRO_TESTS=OFF
configure build-win32-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
  -DINTRO_TOOLS=OFF -DINTRO_TESTS=OFF
configure build -DINTRO_TESTS=OFF
for dir in build-win32-i686 build-win32-x64; do
  cmake --build "$dir" -j "$jobs" --target intro >&2
done
packed=$(INTRO_JOBS=$jobs scripts/build-64k.sh | tail -1)
scripts/build-web.sh >&2
cmake --build build -j "$jobs" --target intro_headless >&2

rm -rf dist dist.part intro-release.zip
mkdir -p dist.part
cp build-win32-i686/frame/intro.exe dist.part/intro.exe
cp "$packed" dist.part/intro-64k.exe
cp build-win32-x64/frame/intro.exe dist.part/intro-x64.exe
cp -r build-web/site dist.part/web
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
build/frame/intro_headless --size 1920x1080 --start "$shot_time" \
  --stop "$(awk -v t="$shot_time" 'BEGIN { print t + 0.1 }')" --at "$shot_time" --png "$shots" >&2
cp "$(find "$shots" -name '*.png' | sort | head -1)" dist.part/screenshot.png
if [ "$video" = 1 ]; then
  scripts/capture.sh --build build --size 1920x1080 --fps 60 \
    dist.part/intro-1080p60.mp4 >&2
fi
cp size/release/intro.nfo size/release/file_id.diz dist.part/
mv dist.part dist
(cd dist && zip -qr ../intro-release.zip .)
scripts/check-release.sh dist intro-release.zip
ls -l dist intro-release.zip
