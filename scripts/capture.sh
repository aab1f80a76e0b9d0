#!/usr/bin/env bash
# Records the presentation, or a range of it, through the headless program on
# its virtual music clock: frame n of the output shows music time FROM + n / FPS
# however slowly the frames render, and the sound is cut to the same range to
# the sample. Everything is made in a staging folder beside OUTPUT and takes
# its name only when complete; a failure says its cause in one line.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: scripts/capture.sh [options] OUTPUT
Records the presentation offscreen into OUTPUT: a video file, or with
--format png a folder of frames (frame-000000.png, ...) and audio.wav.
  --format F       h264 (the default: H.264 at CRF 18 with AAC sound; OUTPUT
                   .mp4, .m4v, .mov or .mkv chooses the container, MP4 when
                   it has no extension), lossless (FFV1 with FLAC sound in
                   Matroska, .mkv), or png (a new or empty folder, or one that
                   holds only an earlier capture's frames: replaced whole)
  --size WxH       frame size (1280x720)
  --fps N|N/D      frames per second, whole or a fraction such as 60000/1001 (30)
  --from SECONDS   music time of the first frame (0)
  --to SECONDS     music time the recording stops before (134.4, the end);
                   at least one frame after --from
  --log FILE|-     also keep the frame log (- for standard output): a line per
                   frame with its music time, scene time, scene and timeline fields
  --build DIR      the build folder that holds frame/intro_headless (build);
                   it is built there when missing
  --help           this text
A progress line shows frames done, frames per second and the time left.
OUTPUT and the log appear only when complete; a failure or Ctrl-C leaves
nothing under their names.
Exit codes: 0 written; 1 writing failed while recording (no space left,
cannot write); 2 a bad option or an output that cannot be made, before
anything is rendered; 3 the headless program or ffmpeg failed otherwise;
130 and 143 stopped by Ctrl-C or SIGTERM.
EOF
}

# One line naming the cause, then the exit code for its kind.
fail_with() {
  local code=$1
  shift
  echo "capture.sh: $*" >&2
  exit "$code"
}
fail() { fail_with 2 "$@"; }

# The cause at the end of a tool's message ("mkdir: cannot create ...: Read-only file system").
cause() { sed -n '$s/.*: //p' <<<"$1"; }

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
    -?*) fail "unknown option $1 (--help lists the options)" ;;
    *)
      [ -z "$out" ] || fail "one OUTPUT only (--help lists the options)"
      out=$1
      shift ;;
  esac
done
[ -n "$out" ] || fail "no OUTPUT given (--help lists the options)"

# The options, checked before anything is rendered.
[[ "$size" =~ ^([1-9][0-9]{0,4})x([1-9][0-9]{0,4})$ ]] &&
  [ "${BASH_REMATCH[1]}" -le 16384 ] && [ "${BASH_REMATCH[2]}" -le 16384 ] ||
  fail "--size wants WxH, 1 to 16384 each"
width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
[[ "$fps" =~ ^([1-9][0-9]{0,5})(/([1-9][0-9]{0,5}))?$ ]] || fail "--fps wants N or N/D"
rate_num=${BASH_REMATCH[1]} rate_den=${BASH_REMATCH[3]:-1}
number='^[0-9]+(\.[0-9]+)?$'
[[ "$from" =~ $number ]] || fail "--from wants seconds"
[[ "$to" =~ $number ]] || fail "--to wants seconds"
awk -v f="$from" -v t="$to" 'BEGIN { exit !(f < t && t <= 134.4) }' ||
  fail "--from and --to want 0 <= FROM < TO <= 134.4"
# Decimal seconds are not exact in binary: 0.7 - 0.6 is a hair short of 0.1.
awk -v f="$from" -v t="$to" -v n="$rate_num" -v d="$rate_den" \
  'BEGIN { exit !((t - f) * n >= d * (1 - 1e-9)) }' ||
  fail "--from and --to are less than a frame apart at $fps frames per second"

# The container follows OUTPUT's extension where it fits the format.
name=${out##*/}
extension=""
[[ "$name" != *.* || "$name" == .* ]] || extension=$(tr '[:upper:]' '[:lower:]' <<<"${name##*.}")
case "$format:$extension" in
  h264: | h264:mp4 | h264:m4v) container=(-f mp4 -movflags +faststart) ;;
  h264:mov) container=(-f mov -movflags +faststart) ;;
  h264:mkv) container=(-f matroska) ;;
  h264:*) fail "$name: H.264 goes into .mp4, .m4v, .mov or .mkv" ;;
  lossless: | lossless:mkv) container=(-f matroska) ;;
  lossless:*) fail "$name: the lossless format goes into .mkv" ;;
  png:*) ;;
  *) fail "--format wants h264, lossless or png" ;;
esac
if [ "$format" = h264 ]; then
  [ $((width % 2)) -eq 0 ] && [ $((height % 2)) -eq 0 ] ||
    fail "H.264 wants an even width and height (or use --format lossless)"
fi
command -v ffmpeg >/dev/null || [ "$format" = png ] || fail "needs ffmpeg (scripts/setup-deps.sh)"

# Makes a folder if missing; on failure says why.
make_folder() {
  local error
  error=$(mkdir -p -- "$1" 2>&1) || fail "cannot make the folder $1: $(cause "$error")"
}

# Whatever was made is removed again unless the capture completes.
running=() stage="" notes="" log_part=""
cleanup() {
  trap '' INT TERM
  # Every message is out by now; bash's own notes on children that a signal
  # took away (wait_for: No record of process) are not for the user.
  exec 2>/dev/null
  # The jobs too: a signal can come between a start and its entry in running
  # (a headless program still opening the frames' pipe would wait for ever).
  for pid in "${running[@]}" $(jobs -p); do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  # An earlier capture set aside and not yet replaced goes back.
  if [ -d "$stage/earlier" ] && [ ! -e "$out" ]; then mv "$stage/earlier" "$out" || true; fi
  [ -z "$stage" ] || rm -rf "$stage"
  [ -z "$notes" ] || rm -rf "$notes"
  [ -z "$log_part" ] || rm -f "$log_part"
}
trap cleanup EXIT
trap 'echo "capture.sh: stopped; nothing written" >&2; exit 130' INT
trap 'echo "capture.sh: stopped; nothing written" >&2; exit 143' TERM

# A staging folder beside OUTPUT (renames into place stay on one disk), and
# a file beside the log that it is copied to before it takes its name.
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
out=${out%/}
place=$(dirname "$out")
make_folder "$place"
if [ "$format" = png ]; then
  if [ -e "$out" ]; then
    [ -d "$out" ] || fail "$out is not a folder"
    others=$(find "$out" -mindepth 1 -maxdepth 1 ! -name 'frame-[0-9][0-9][0-9][0-9][0-9][0-9].png' \
      ! -name audio.wav -printf . -quit 2>&1) || fail "cannot read the folder $out"
    [ -z "$others" ] || fail "$out holds files other than an earlier capture's: name a new or empty folder"
  fi
elif [ -d "$out" ]; then
  fail "$out is a folder"
fi
# Makes a file or folder under a name chosen here first, so that an
# interrupt at any moment finds it to remove.
probe() {
  local error
  error=$("$@" 2>&1) || fail "cannot write into $(dirname "${!#}"): $(cause "$error")"
}
stage="$place/.capture-$$-$RANDOM"
probe mkdir -- "$stage"
case "$log" in
  "" | -) ;;
  *)
    case "$log" in /*) ;; *) log="$PWD/$log" ;; esac
    [ ! -d "$log" ] || fail "--log: $log is a folder"
    make_folder "$(dirname "$log")"
    log_part="$(dirname "$log")/.capture-log-$$-$RANDOM"
    probe touch -- "$log_part" ;;
esac


# The messages go to stderr when the log takes standard output.
say() {
  if [ "$log" = - ]; then echo "$@" >&2; else echo "$@"; fi
}

cd "$(dirname "$0")/.."
program="$build/frame/intro_headless"
if [ ! -x "$program" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DINTRO_TESTS=OFF >/dev/null
  cmake --build "$build" --target intro_headless -j "$(nproc)" >&2
fi

# The headless program's lines go to a file (the failure is said once, here);
# its progress line comes through descriptor 3, this script's stderr.
range=(--size "$size" --fps "$fps" --start "$from" --stop "$to" --progress-fd 3)
[ -z "$log" ] || range+=(--log "$stage/log")
# The programs' messages are kept apart from OUTPUT's disk, which may be full.
notes="${TMPDIR:-/tmp}/capture-notes-$$-$RANDOM"
mkdir -- "$notes" 2>/dev/null || notes=$stage
headless_errors="$notes/headless.txt"
encoder_errors="$notes/ffmpeg.txt"
say "Recording $size at $fps frames per second, music time $from to $to s, into $out"

# The headless program's own line (a GL driver may add lines of its own).
own_line() { sed -n '/^intro_headless: /{s///;p;q}' "$headless_errors"; }

# Says what went wrong, from the programs' messages: a full disk or an
# unwritable place first, as either program may meet it.
explain() {
  local culprit=$1 status=$2 messages
  messages=$(cat "$headless_errors" "$encoder_errors" 2>/dev/null || true)
  if grep -qi 'no space left' <<<"$messages"; then
    fail_with 1 "no space left on the disk of $out"
  fi
  if grep -qiE 'permission denied|read-only file system' <<<"$messages"; then
    fail_with 1 "cannot write $out: $(grep -oiE 'permission denied|read-only file system' <<<"$messages" | head -1)"
  fi
  if [ "$culprit" = headless ] && [ "$status" -gt 128 ] && [ -z "$(own_line)" ]; then
    fail_with 3 "the headless program was stopped by signal $((status - 128))"
  fi
  if [ "$culprit" = ffmpeg ]; then
    messages=$(tail -n 1 "$encoder_errors")
    fail_with 3 "ffmpeg could not encode the frames: ${messages:-exit code $status}"
  fi
  messages=$(own_line)
  fail_with 3 "the headless program failed: ${messages:-exit code $status}"
}

# Runs a program in the background, so that a signal reaches the trap at once;
# its messages go to its file, the progress line to this script's stderr.
run() {
  local culprit=$1 messages=$2
  shift 2
  "$@" 3>&2 2>"$messages" &
  running+=($!)
  wait $! || explain "$culprit" $?
  encoder_said
}

# ffmpeg may end with 0 after a failed write that it reported (a full disk
# while writing the trailer): at -loglevel error any line is a failure.
encoder_said() {
  [ ! -s "$encoder_errors" ] || explain ffmpeg 0
}

# Moves a finished file or folder; a move to another disk copies it.
place_file() {
  local error
  error=$(mv -f "$1" "$2" 2>&1) || fail_with 1 "cannot write $3: $(cause "$error")"
}

finish_log() {
  case "$log" in
    "") ;;
    -) cat "$stage/log" ;;
    *) place_file "$stage/log" "$log_part" "$log" ;;
  esac
}

if [ "$format" = png ]; then
  mkdir "$stage/out"
  run headless "$headless_errors" \
    "$program" "${range[@]}" --png "$stage/out" --every 1 --wav "$stage/out/audio.wav"
  count=$(find "$stage/out" -maxdepth 1 -name 'frame-*.png' | wc -l)
  finish_log
  [ ! -e "$out" ] || place_file "$out" "$stage/earlier" "$out"
  place_file "$stage/out" "$out" "$out"
  [ -z "$log_part" ] || mv -f "$log_part" "$log"
  say "Wrote $count frames and audio.wav into $out"
  exit 0
fi

if [ "$format" = h264 ]; then
  video=(-c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p)
  sound=(-c:a aac -b:a 192k)
else
  video=(-c:v ffv1 -level 3 -pix_fmt bgr0)
  sound=(-c:a flac)
fi
# Frames go through a pipe of their own, so that both programs can be waited for.
mkfifo "$stage/frames"
"$program" "${range[@]}" --raw - --wav "$stage/audio.wav" >"$stage/frames" \
  3>&2 2>"$headless_errors" &
headless=$!
running=("$headless")
ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo -pix_fmt rgba -s "$size" \
  -framerate "$fps" -i "$stage/frames" "${video[@]}" "${container[@]}" "$stage/video" \
  2>"$encoder_errors" &
encoder=$!
running+=("$encoder")
ended="" status=0
wait -n -p ended "$headless" "$encoder" || status=$?
if [ "$ended" = "$encoder" ]; then
  [ "$status" -eq 0 ] || explain ffmpeg "$status"
  wait "$headless" || explain headless $?
else
  # When the headless program fails, ffmpeg's end of the pipe closes too.
  [ "$status" -eq 0 ] || explain headless "$status"
  wait "$encoder" || explain ffmpeg $?
fi
running=()
encoder_said
# The sound joins the finished video, whose stream is copied as it is.
run ffmpeg "$encoder_errors" ffmpeg -hide_banner -loglevel error -nostdin -y \
  -i "$stage/video" -i "$stage/audio.wav" -map 0:v -map 1:a -c:v copy "${sound[@]}" \
  "${container[@]}" "$stage/result"
finish_log
mv -f "$stage/result" "$out"
[ -z "$log_part" ] || mv -f "$log_part" "$log"
say "Wrote $out"
