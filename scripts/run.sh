#!/usr/bin/env bash
# Builds and runs the presentation. With a display it plays full screen;
# without one it is captured headless to a video file (intro.mp4).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF
cmake --build build -j "$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/frame/intro
fi
echo "No display found: capturing the presentation headless to intro.mp4 instead."
exec scripts/capture.sh intro.mp4
