#!/usr/bin/env bash
# Faults injected into every output path of the headless program, the capture
# script and the tools. Each output path is one row of `outputs`; each group
# of faults runs the rows it applies to and checks the exit code, the one line
# that names the cause, and that nothing is left under an output's name nor
# beside it (no .part file, no staging folder).
#   faults.sh GROUP    full-disk | unwritable | existing | interrupt
# Needs HEADLESS, MUSGEN, TEXDUMP, CAPTURE (the script with its --build).
# Exit 77 (skipped) where the fault cannot be made on this machine.
set -euo pipefail
group=${1:?group}
: "${HEADLESS:?}" "${MUSGEN:?}" "${TEXDUMP:?}" "${CAPTURE:?}"

work=$(mktemp -d "${TMPDIR:-/tmp}/faults-XXXXXX")
mounted=""
cleanup() {
  [ -z "$mounted" ] || umount "$mounted" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
problem() {
  echo "FAIL $group: $*" >&2
  failures=$((failures + 1))
}

# Short runs for faults met at once; long ones to be interrupted while rendering.
short="--size 32x18 --fps 10 --start 20 --stop 20.4"
long="--size 32x18 --fps 200 --start 20"
capture_short="--size 32x18 --fps 10 --from 20 --to 20.4"
capture_long="--size 32x18 --fps 200 --from 20"

# name | command (@D@: the folder under the fault) | outputs under @D@ (a
# folder ends with /) | where
# a run has begun rendering (a glob under @D@, for the interrupt; - for rows
# whose interrupt takes the same path as another's). The lossless format
# differs from H.264 only in ffmpeg's arguments: it meets the full disk in
# ffmpeg (full_disk).
outputs=(
  "headless png|$HEADLESS @R@ --png @D@/png|png/|png/frame-000000.png"
  "headless raw|$HEADLESS @R@ --raw @D@/raw|raw|-"
  "headless wav|$HEADLESS @R@ --wav @D@/a.wav|a.wav|a.wav.part"
  "headless log, loader frames|$HEADLESS @R@ --log @D@/log.txt --png @D@/loader --loader-ticks 1,2,90|log.txt loader/|loader/loader-001.png"
  "headless report|$HEADLESS @R@ --report @D@/report.txt|report.txt|-"
  "capture h264|$CAPTURE @C@ @D@/a.mp4|a.mp4|.capture-*/audio.wav.part"
  "capture png|$CAPTURE @C@ --format png @D@/frames|frames/|.capture-*/out/frame-000000.png"
  "capture log|$CAPTURE @C@ --log @D@/log.txt @W@/elsewhere.mp4|log.txt|-"
  "texdump|$TEXDUMP --only 0 --raw @D@/textures|textures/|-"
  "texdump sheet|$TEXDUMP --sheet @D@/sheet.png|sheet.png|-"
  "musgen|$MUSGEN --quiet --raw @D@/song.pcm @D@/song.wav|song.wav song.pcm|-"
)

# A command of a row with its folder and range filled in.
command_of() {
  local command=$1 dir=$2 range=$3 capture_range=$4
  command=${command//@R@/$range}
  command=${command//@C@/$capture_range}
  command=${command//@W@/$work}
  echo "${command//@D@/$dir}"
}

# The lines a program says, without the progress line and GL driver chatter.
own_lines() {
  grep -vE '^[0-9]+/[0-9]+ frames|^(libEGL|MESA|ATTENTION|pci id)' "$1" || true
}

# Leftovers beside the outputs: unfinished files and staging folders.
leftovers() {
  find "$1" -mindepth 1 \( -name '*.part' -o -name '.capture-*' -o -name '.texdump-probe' \) \
    -printf '%P ' 2>/dev/null || true
}

# Runs a row expecting failure: the exit code, one line matching `cause`,
# none of the outputs, no leftovers.
expect_failure() {
  local name=$1 command=$2 names=$3 dir=$4 code=$5 cause=$6 status=0
  (cd "$work" && eval "$command") >"$work/out.txt" 2>"$work/err.txt" </dev/null || status=$?
  local said
  said=$(own_lines "$work/err.txt")
  [ "$status" -eq "$code" ] || problem "$name: exit $status, not $code ($said)"
  [ "$(grep -c . <<<"$said")" -eq 1 ] || problem "$name: not one line: $said"
  grep -qiE "$cause" <<<"$said" || problem "$name: '$said' does not say '$cause'"
  for output in $names; do
    [ ! -e "$dir/${output%/}" ] || problem "$name: $output left behind"
  done
  [ -z "$(leftovers "$dir")" ] || problem "$name: left $(leftovers "$dir")"
}

# A real full disk: an 8 MB tmpfs filled to the last block.
full_disk() {
  [ "$(id -u)" -eq 0 ] || { echo "skipped: a full disk needs root to mount a tmpfs"; exit 77; }
  mkdir -p "$work/disk"
  mount -t tmpfs -o size=8m tmpfs "$work/disk" 2>/dev/null ||
    { echo "skipped: no tmpfs can be mounted here"; exit 77; }
  mounted="$work/disk"
  head -c 9m /dev/zero >"$work/disk/fill" 2>/dev/null || true
  for row in "${outputs[@]}"; do
    IFS='|' read -r name command names _ <<<"$row"
    expect_failure "$name" "$(command_of "$command" "$work/disk" "$short" "$capture_short")" \
      "$names" "$work/disk" 1 'no space left'
  done
  # Room for the sound of 2 s (87 pages) and 64 KB: the encoder meets the
  # full disk, and the headless program's broken pipe is not the cause.
  rm "$work/disk/fill"
  head -c $((8 * 1048576 - 87 * 4096 - 65536)) /dev/zero >"$work/disk/fill"
  expect_failure "capture lossless, ffmpeg filling the disk" \
    "$CAPTURE --size 320x180 --fps 10 --from 96 --to 98 --format lossless $work/disk/a.mkv" \
    a.mkv "$work/disk" 1 'no space left'
}

# A folder that takes no files: a read-only tmpfs as root (root writes
# through permissions), a folder without write permission otherwise.
unwritable() {
  mkdir -p "$work/locked"
  if [ "$(id -u)" -eq 0 ]; then
    mount -t tmpfs -o ro,size=1m tmpfs "$work/locked" 2>/dev/null ||
      { echo "skipped: no tmpfs can be mounted here"; exit 77; }
    mounted="$work/locked"
  else
    chmod a-w "$work/locked"
  fi
  for row in "${outputs[@]}"; do
    IFS='|' read -r name command names _ <<<"$row"
    expect_failure "$name" "$(command_of "$command" "$work/locked" "$short" "$capture_short")" \
      "$names" "$work/locked" 2 'read-only file system|permission denied'
  done
}

# Earlier outputs: a used PNG folder keeps none of its frames, the log is
# replaced; a folder holding other files is refused, untouched. (Earlier
# outputs of every row outlive an interrupted run: interrupt.)
existing() {
  local dir="$work/used"
  mkdir -p "$dir/frames" "$dir/other"
  for n in $(seq 0 29); do printf stale >"$dir/frames/$(printf 'frame-%06d.png' "$n")"; done
  printf stale >"$dir/frames/audio.wav"
  printf stale >"$dir/log.txt"
  printf stale >"$dir/other/notes.txt"
  local status=0
  $CAPTURE $capture_short --format png --log "$dir/log.txt" "$dir/frames" >"$work/out.txt" \
    2>"$work/err.txt" || status=$?
  [ "$status" -eq 0 ] || problem "capture png: exit $status: $(own_lines "$work/err.txt")"
  [ "$(find "$dir/frames" -name 'frame-*' | wc -l)" -eq 4 ] || problem "capture png: $(ls "$dir/frames")"
  grep -q "Wrote 4 frames" "$work/out.txt" || problem "capture png says $(cat "$work/out.txt")"
  [ "$(stat -c %s "$dir/frames/audio.wav")" -eq $((44 + 4 * 17640)) ] ||
    problem "capture png: audio.wav is not 0.4 s"
  [ "$(grep -c '^frame ' "$dir/log.txt")" -eq 4 ] || problem "capture log: $(head -c 200 "$dir/log.txt")"
  expect_failure "capture png into a folder of other files" \
    "$CAPTURE $capture_short --format png $dir/other" "" "$dir" 2 'other than an earlier capture'
  [ "$(ls "$dir/other")" = notes.txt ] || problem "the folder of other files changed: $(ls "$dir/other")"
  [ -z "$(leftovers "$dir")" ] || problem "left $(leftovers "$dir")"
}

# Ctrl-C (SIGINT to the process group) once a run renders, with earlier
# outputs in place: one line, exit 130, the earlier outputs untouched.
interrupt() {
  set -m # each run in a process group of its own, as a terminal's job
  for row in "${outputs[@]}"; do
    IFS='|' read -r name command names begun <<<"$row"
    [ "$begun" != - ] || continue
    local dir="$work/run-${name// /-}"
    mkdir -p "$dir"
    for output in $names; do
      case "$output" in */) ;; *) printf stale >"$dir/$output" ;; esac
    done
    [ "$name" != "capture png" ] || { mkdir "$dir/frames" && printf stale >"$dir/frames/audio.wav"; }
    eval "exec $(command_of "$command" "$dir" "$long" "$capture_long")" >/dev/null 2>"$work/err.txt" &
    local job=$! waited=0
    until compgen -G "$dir/$begun" >/dev/null || [ $waited -ge 600 ] || ! kill -0 $job 2>/dev/null; do
      sleep 0.1
      waited=$((waited + 1))
    done
    kill -INT -- -$job 2>/dev/null || true
    local status=0
    wait $job || status=$?
    local said
    said=$(own_lines "$work/err.txt")
    [ "$status" -eq 130 ] || problem "$name: exit $status, not 130 ($said)"
    case "$name" in
      capture*) [ "$said" = "capture.sh: stopped; nothing written" ] || problem "$name said: $said" ;;
      *) [ -z "$said" ] || problem "$name said: $said" ;;
    esac
    for output in $names; do
      case "$name:$output" in
        "capture png:frames/") [ "$(cat "$dir/frames/audio.wav")" = stale ] ||
          problem "$name: the earlier capture is gone" ;;
        *:*/) [ ! -e "$dir/$output" ] || problem "$name: $output left behind" ;;
        *) [ "$(cat "$dir/$output" 2>&1)" = stale ] || problem "$name: $output is not the earlier one" ;;
      esac
    done
    [ -z "$(leftovers "$dir")" ] || problem "$name: left $(leftovers "$dir")"
  done
  # SIGTERM, as a service manager stops a job, while the program loads.
  local dir="$work/terminated" status=0
  mkdir -p "$dir"
  $CAPTURE $capture_long "$dir/a.mp4" >/dev/null 2>"$work/err.txt" &
  local job=$!
  for _ in $(seq 600); do compgen -G "$dir/.capture-*" >/dev/null && break; sleep 0.1; done
  kill -TERM $job
  wait $job || status=$?
  [ "$status" -eq 143 ] || problem "SIGTERM: exit $status, not 143"
  [ "$(own_lines "$work/err.txt")" = "capture.sh: stopped; nothing written" ] ||
    problem "SIGTERM said: $(own_lines "$work/err.txt")"
  [ -z "$(ls -A "$dir")" ] || problem "SIGTERM: left $(ls -A "$dir")"
}

case "$group" in
  full-disk) full_disk ;;
  unwritable) unwritable ;;
  existing) existing ;;
  interrupt) interrupt ;;
  *) echo "faults.sh: unknown group $group" >&2; exit 2 ;;
esac
[ "$failures" -eq 0 ] || exit 1
echo "$group: every case held"
