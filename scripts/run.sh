#!/usr/bin/env bash
# Builds and runs the presentation. With a display it plays full screen;
# without one it is captured headless to a video file (intro.mp4). The
# options are checked first, before anything is installed or built.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: scripts/run.sh [player options, see build/frame/intro --help]
Installs what is missing, builds, and plays the presentation full screen;
without a display it records it to intro.mp4 with scripts/capture.sh, where
--start S records from S and --window WxH sets the video's size (--scale,
--loop and --fullscreen only concern a screen and are left out).
  --window [WxH]   a window you may resize (1280x720) instead of full screen
  --fullscreen     full screen (the default)
  --start SECONDS  begin at this music time (0 to before 134.4)
  --scale F        draw frames at F (0 < F <= 1) of the size and stretch them
  --loop           play again from the start after the end
  --help           this text
Exit codes: 2 a bad option (nothing installed or built); otherwise the
player's or the capture's own (scripts/capture.sh --help).
EOF
}

fail() {
  echo "run.sh: $* (--help lists the options)" >&2
  exit 2
}

number='^[0-9]+(\.[0-9]+)?$'
size_pattern='^[1-9][0-9]{0,4}x[1-9][0-9]{0,4}$'
player=("$@")
capture=()
while [ $# -gt 0 ]; do
  case "$1" in
    --help | -h) usage; exit 0 ;;
    --fullscreen | --loop) ;;
    --window)
      if [ $# -ge 2 ] && [[ "$2" != -* ]]; then
        [[ "$2" =~ $size_pattern ]] || fail "--window wants WxH, 1 to 16384 each"
        width=${2%x*} height=${2#*x}
        [ "$width" -le 16384 ] && [ "$height" -le 16384 ] || fail "--window wants WxH, 1 to 16384 each"
        # Without a display the size is the video's, and H.264 wants it even.
        [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || [ $((width % 2 + height % 2)) -eq 0 ] ||
          fail "without a display --window sets the video's size, which wants even numbers"
        capture+=(--size "$2")
        shift
      fi ;;
    --start | --scale)
      [ $# -ge 2 ] || fail "$1 needs a value"
      [[ "$2" =~ $number ]] || fail "$1 wants a number"
      if [ "$1" = --start ]; then
        awk -v s="$2" 'BEGIN { exit !(s < 134.4) }' ||
          fail "--start wants seconds from 0 to before the end at 134.4"
        capture+=(--from "$2")
      else
        awk -v f="$2" 'BEGIN { exit !(f > 0 && f <= 1) }' ||
          fail "--scale wants a fraction above 0, at most 1"
      fi
      shift ;;
    *) fail "unknown option $1" ;;
  esac
  shift
done

cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF
cmake --build build -j "$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/frame/intro "${player[@]}"
fi
echo "No display found: capturing the presentation headless to intro.mp4 instead."
exec scripts/capture.sh "${capture[@]}" intro.mp4
