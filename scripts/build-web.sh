#!/usr/bin/env bash
# Builds the browser version with Emscripten into build-web/site: the page,
# intro.js, intro.wasm, the synthesiser's worker and the two web fonts.
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/build-web.sh"
  echo "Installs what is missing, then builds the browser version with Emscripten into"
  echo "build-web/site: index.html, page.js, intro.js, intro.wasm, the synthesiser's worker"
  echo "(synth_worker.js, intro-synth.js, intro-synth.wasm) and the two web fonts."
  exit 0
fi
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
# Debian's emcc finds its JavaScript parser among the system's node modules.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
build=${INTRO_WEB_BUILD:-build-web}
emcmake cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DINTRO_TESTS=OFF -DINTRO_TOOLS=OFF -DINTRO_HEADLESS_TOO=OFF > /dev/null
cmake --build "$build" -j "$(nproc)"
