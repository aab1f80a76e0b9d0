#!/usr/bin/env bash
# Captures the whole presentation headless into a video file with its
# soundtrack, at a fixed frame rate: the music clock advances one frame
# period per frame, so the video is in step however slowly frames render.
# usage: scripts/capture.sh OUTPUT.mp4
# environment: CAPTURE_SIZE (1280x720), CAPTURE_FPS (30), INTRO_BUILD (build)
set -euo pipefail
out=${1:?usage: scripts/capture.sh OUTPUT.mp4}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
cd "$(dirname "$0")/.."
size=${CAPTURE_SIZE:-1280x720}
fps=${CAPTURE_FPS:-30}
build=${INTRO_BUILD:-build}
program="$build/frame/intro_headless"
if [ ! -x "$program" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF
  cmake --build "$build" --target intro_headless -j "$(nproc)"
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echo "Rendering ${size} at ${fps} frames per second (software GL can take a while)..."
"$program" --size "$size" --fps "$fps" --raw - --wav "$tmp/music.wav" |
  ffmpeg -hide_banner -loglevel error -stats -y -f rawvideo -pix_fmt rgba -s "$size" -r "$fps" \
    -i - -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p "$tmp/video.mp4"
ffmpeg -hide_banner -loglevel error -y -i "$tmp/video.mp4" -i "$tmp/music.wav" \
  -c:v copy -c:a aac -b:a 192k -shortest "$out"
echo "Wrote $out"
