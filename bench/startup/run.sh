#!/usr/bin/env bash
# Start-up time of the headless program from process start to its first scene
# frame, with the breakdown read from the loader-bar ticks of its log:
#   tick 1 -> 2 synthesis, 2 -> 100 textures (build + upload), 100 -> 104 programs.
# startup_split then separates texture building from uploading.
# usage: bench/startup/run.sh [build-dir] [WxH] [runs]
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: bench/startup/run.sh [build-dir (build)] [WxH (1280x720)] [runs (3)]"
  exit 0
fi
build=${1:-build}
size=${2:-1280x720}
runs=${3:-3}
program="$build/frame/intro_headless"
split="$build/bench/startup/startup_split"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
stamp() { awk -v key="$1" '$0 ~ "^"key" " { print $(NF) ; exit }' "$log"; }
for run in $(seq 1 "$runs"); do
  start=$(date +%s%N)
  "$program" --size "$size" --escape-frame 0 --log "$log" --stamp
  total=$((($(date +%s%N) - start) / 1000000))
  t1=$(stamp "tick 1") t2=$(stamp "tick 2") t100=$(stamp "tick 100") t104=$(stamp "tick 104")
  t106=$(stamp "tick 106") first=$(stamp "frame 0")
  awk -v t1="$t1" -v t2="$t2" -v t100="$t100" -v t104="$t104" -v t106="$t106" -v f="$first" \
    -v total="$total" -v run="$run" -v size="$size" 'BEGIN {
      printf "run %d at %s: first scene frame %.0f ms (process %d ms): context %.0f, synthesis %.0f, textures+uploads %.0f, programs %.0f, rest %.0f\n",
        run, size, f, total, t1, t2 - t1, t100 - t2, t104 - t100, f - t104 }'
done
if [ -x "$split" ]; then
  "$split" --size "$size"
fi
