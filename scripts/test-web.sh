#!/usr/bin/env bash
# The browser version's end-to-end tests: builds it, then drives it in
# headless chromium and in Firefox against the native headless program's frames.
# Needs the native build (build/, made by scripts/test.sh) for the reference
# frames and the frame comparison tool.
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/test-web.sh"
  echo "Builds the browser version and checks it in headless chromium and in Firefox ESR"
  echo "(on a virtual X server) against the native headless program's frames; the frames"
  echo "compared are left in build-web/web-test and build-web/firefox-test; then runs the"
  echo "show on chromium's software WebGL (SwiftShader) and checks every scene comes in time."
  exit 0
fi
cd "$(dirname "$0")/.."
scripts/build-web.sh
web=${INTRO_WEB_BUILD:-build-web}
# The native references are brought up to date (a stale one fails the checks).
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build -j "$(nproc)" --target intro_headless framediff texdump
command -v npm > /dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq npm
(cd web/test && npm ci --no-audit --no-fund --loglevel=error)
echo "intro.wasm: $(stat -c %s "$web/site"/intro.wasm) bytes, intro.js: $(stat -c %s "$web/site"/intro.js) bytes"
status=0
node web/test/web_test.js "$web/site" build/frame/intro_headless \
  build/tools/framediff/framediff "$web/web-test" || status=1
# Chromium's own software WebGL (SwiftShader), what a visitor without GPU
# acceleration gets: every scene in time at 480x270, the GPU process in bounds.
node web/test/software_test.js "$web/site" || status=1
# The second engine: Firefox ESR on a virtual X server (skipped where missing).
node web/test/firefox_test.js "$web/site" build/frame/intro_headless \
  build/tools/framediff/framediff "$web/firefox-test" || status=1
exit $status
