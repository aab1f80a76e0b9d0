#!/usr/bin/env bash
# Builds and runs the presentation. With a display it plays full screen;
# without one it is captured headless to a video file (intro.mp4).
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/run.sh [player options, see build/frame/intro --help]"
  echo "Installs what is missing, builds, and plays the presentation full screen;"
  echo "without a display it records it to intro.mp4 with scripts/capture.sh."
  exit 0
fi
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF
cmake --build build -j "$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/frame/intro "$@"
fi
echo "No display found: capturing the presentation headless to intro.mp4 instead."
exec scripts/capture.sh intro.mp4
