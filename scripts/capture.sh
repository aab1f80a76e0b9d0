#!/usr/bin/env bash
# Records the presentation, or a range of it, through the headless program on
# its virtual music clock: frame n of the output shows music time FROM + n / FPS
# however slowly the frames render, and the sound is cut to the same range to
# the sample. The result appears under its name only when it is complete.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: scripts/capture.sh [options] OUTPUT
Records the presentation offscreen into OUTPUT: a video file, or with
--format png a folder of frames (frame-000000.png, ...) and audio.wav.
  --format F       h264 (the default: H.264 at CRF 18 with AAC sound, .mp4),
                   lossless (FFV1 with FLAC sound in Matroska, .mkv), or png
  --size WxH       frame size (1280x720)
  --fps N|N/D      frames per second, whole or a fraction such as 60000/1001 (30)
  --from SECONDS   music time of the first frame (0)
  --to SECONDS     music time the recording stops before (134.4, the end)
  --log FILE       also keep the frame log: a line per frame with its music
                   time, scene time, scene and timeline fields
  --build DIR      the build folder that holds frame/intro_headless (build);
                   it is built there when missing
  --help           this text
A progress line shows frames done, frames per second and the time left.
Ctrl-C or SIGTERM stops the recording and leaves nothing under OUTPUT.
EOF
}

fail() {
  echo "capture.sh: $*" >&2
  exit 2
}

format=h264
size=${CAPTURE_SIZE:-1280x720}
fps=${CAPTURE_FPS:-30}
from=0
to=134.4
log=""
build=${INTRO_BUILD:-build}
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --help | -h) usage; exit 0 ;;
    --format | --size | --fps | --from | --to | --log | --build)
      [ $# -ge 2 ] || fail "$1 needs a value"
      case "$1" in
        --format) format=$2 ;;
        --size) size=$2 ;;
        --fps) fps=$2 ;;
        --from) from=$2 ;;
        --to) to=$2 ;;
        --log) log=$2 ;;
        --build) build=$2 ;;
      esac
      shift 2 ;;
    -*) fail "unknown option $1 (--help lists the options)" ;;
    *)
      [ -z "$out" ] || fail "one OUTPUT only (--help lists the options)"
      out=$1
      shift ;;
  esac
done
[ -n "$out" ] || fail "no OUTPUT given (--help lists the options)"

# The options, checked before anything is rendered.
[[ "$size" =~ ^([1-9][0-9]*)x([1-9][0-9]*)$ ]] || fail "--size wants WxH"
width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
[[ "$fps" =~ ^[1-9][0-9]*(/[1-9][0-9]*)?$ ]] || fail "--fps wants N or N/D"
number='^[0-9]+(\.[0-9]+)?$'
[[ "$from" =~ $number ]] || fail "--from wants seconds"
[[ "$to" =~ $number ]] || fail "--to wants seconds"
awk -v f="$from" -v t="$to" 'BEGIN { exit !(f < t && t <= 134.4) }' ||
  fail "--from and --to want 0 <= FROM < TO <= 134.4"
case "$format" in
  h264)
    [ $((width % 2)) -eq 0 ] && [ $((height % 2)) -eq 0 ] ||
      fail "H.264 wants an even width and height (or use --format lossless)" ;;
  lossless | png) ;;
  *) fail "--format wants h264, lossless or png" ;;
esac
command -v ffmpeg >/dev/null || [ "$format" = png ] || fail "needs ffmpeg (scripts/setup-deps.sh)"

# The output's folder is made if missing and must take files.
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
case "$log" in "" | /*) ;; *) log="$PWD/$log" ;; esac
if [ "$format" = png ]; then
  mkdir -p "$out" 2>/dev/null || fail "cannot make the folder $out"
  place=$out
else
  place=$(dirname "$out")
  mkdir -p "$place" 2>/dev/null || fail "cannot make the folder $place"
  [ ! -d "$out" ] || fail "$out is a folder"
fi
stage=$(mktemp -d "$place/.capture-XXXXXX" 2>/dev/null) || fail "cannot write into $place"
running=()
cleanup() {
  for pid in "${running[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$stage"
}
trap cleanup EXIT
trap 'echo "capture.sh: stopped; nothing written" >&2; exit 130' INT
trap 'echo "capture.sh: stopped; nothing written" >&2; exit 143' TERM

cd "$(dirname "$0")/.."
program="$build/frame/intro_headless"
if [ ! -x "$program" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF >/dev/null
  cmake --build "$build" --target intro_headless -j "$(nproc)"
fi

range=(--size "$size" --fps "$fps" --start "$from" --stop "$to" --progress)
[ -z "$log" ] || range+=(--log "$log")
echo "Recording $size at $fps frames per second, music time $from to $to s, into $out"

# Runs a command in the background, so that a signal reaches the trap at once.
run() {
  "$@" &
  running+=($!)
  wait $!
}

if [ "$format" = png ]; then
  run "$program" "${range[@]}" --png "$stage" --every 1 --wav "$stage/audio.wav"
  find "$stage" -maxdepth 1 -type f \( -name 'frame-*.png' -o -name audio.wav \) \
    -exec mv -f -t "$out" {} +
  echo "Wrote $(find "$out" -maxdepth 1 -name 'frame-*.png' | wc -l) frames and audio.wav into $out"
  exit 0
fi

if [ "$format" = h264 ]; then
  video=(-c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p)
  sound=(-c:a aac -b:a 192k)
  container=(-f mp4 -movflags +faststart)
else
  video=(-c:v ffv1 -level 3 -pix_fmt bgr0)
  sound=(-c:a flac)
  container=(-f matroska)
fi
# Frames go through a pipe of their own, so that both programs can be waited for.
mkfifo "$stage/frames"
"$program" "${range[@]}" --raw - --wav "$stage/audio.wav" >"$stage/frames" &
headless=$!
ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo -pix_fmt rgba -s "$size" \
  -framerate "$fps" -i "$stage/frames" "${video[@]}" "${container[@]}" "$stage/video" &
encoder=$!
running=("$headless" "$encoder")
ended="" status=0
wait -n -p ended "$headless" "$encoder" || status=$?
if [ "$ended" = "$encoder" ]; then
  [ "$status" -eq 0 ] || fail "ffmpeg could not encode the frames"
  wait "$headless" || fail "the headless program ended with exit code $?"
else
  [ "$status" -eq 0 ] || fail "the headless program ended with exit code $status"
  wait "$encoder" || fail "ffmpeg could not encode the frames"
fi
running=()
# The sound joins the finished video, whose stream is copied as it is.
run ffmpeg -hide_banner -loglevel error -nostdin -y -i "$stage/video" -i "$stage/audio.wav" \
  -map 0:v -map 1:a -c:v copy "${sound[@]}" "${container[@]}" "$stage/result"
mv -f "$stage/result" "$out"
echo "Wrote $out"
