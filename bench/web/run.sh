#!/usr/bin/env bash
# Frame time of every scene and the start-up split in the browser (headless
# chromium, WebGL 2 through ANGLE on llvmpipe) beside native bench_scenes.
# usage: bench/web/run.sh [web-build (build-web)] [native-build (build)] [options]
#   options go to web_bench.js: --size WxH (640x360) --fps N (5) --paced --runs N --until S --query K=V
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: bench/web/run.sh [web-build (build-web)] [native-build (build)] [--size WxH] [--fps N] [--paced] [--runs N] [--until SECONDS] [--query K=V]"
  exit 0
fi
cd "$(dirname "$0")/../.."
web=${1:-build-web}
native=${2:-build}
shift $(($# < 2 ? $# : 2))
(cd web/test && [ -d node_modules/playwright-core ] || npm ci --no-audit --no-fund --loglevel=error)
args=()
[ -x "$native/bench/scenes/bench_scenes" ] && args+=(--native "$native/bench/scenes/bench_scenes")
NODE_PATH=web/test/node_modules node bench/web/web_bench.js "$web/site" "${args[@]}" "$@"
