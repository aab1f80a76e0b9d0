#!/usr/bin/env bash
# Storyboard contact sheet: one frame a second into every timeline step (and
# into the opening scroller), rendered by the headless program and labelled
# with music time and scene.
# Usage: storyboard.sh INTRO_HEADLESS OUT.png [WxH of each frame, default 480x270]
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: $0 INTRO_HEADLESS OUT.png [WxH of each frame (480x270)]"
  exit 0
fi
if [ $# -lt 2 ]; then
  echo "usage: $0 INTRO_HEADLESS OUT.png [WxH]" >&2
  exit 2
fi
headless=$1
out=$2
mkdir -p "$(dirname "$out")"
size=${3:-480x270}
command -v montage >/dev/null || { echo "$0: needs ImageMagick's montage" >&2; exit 1; }
[ -x "$headless" ] || { echo "$0: $headless is not executable" >&2; exit 1; }

work=$(mktemp -d)
# The sheet is made beside OUT and renamed: OUT appears only when complete.
part=$(mktemp --suffix ".${out##*.}" "$(dirname "$out")/.storyboard-XXXXXX")
trap 'rm -rf "$work" "$part"' EXIT

# Step multipliers of 3.2 s; the scroller starts at 0.
times="1"
for k in 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 28 30 32 34 36 38 40; do
  times="$times,$(awk -v k=$k 'BEGIN { printf "%.1f", k * 3.2 + 1 }')"
done

"$headless" --size "$size" --fps 10 --png "$work" --at "$times" --log "$work/frames.log" >/dev/null

labels=()
while read -r number music scene; do
  file=$(printf '%s/frame-%06d.png' "$work" "$number")
  [ -f "$file" ] && labels+=(-label "$(printf '%.1f s  %s' "$music" "$scene")" "$file")
done < <(awk '$1 == "frame" { print $2, $4, $8 }' "$work/frames.log")

montage -font DejaVu-Sans "${labels[@]}" -tile 4x -geometry +4+4 -background '#333' -fill white \
  -pointsize 14 "$part"
mv -f "$part" "$out"
echo "storyboard: $(( ${#labels[@]} / 3 )) frames in $out"
