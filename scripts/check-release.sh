#!/usr/bin/env bash
# Checks a release made by scripts/release.sh: every file there, the 64 KB
# build within 65,536 bytes and the normal product beside it, the screenshot
# 1920x1080, the .nfo within 80 columns, file_id.diz within 45 columns and 10
# lines, plain ASCII text, and the zip holding exactly dist/'s files.
set -euo pipefail
if [ "${1:-}" = --help ] || [ $# -ne 2 ]; then
  echo "usage: scripts/check-release.sh DIST ZIP"
  exit "$([ "${1:-}" = --help ] && echo 0 || echo 2)"
fi
dist=$1
zip=$2
fail() { echo "FAIL: release: $*" >&2; exit 1; }
for f in intro.exe intro-64k.exe intro-x64.exe screenshot.png intro.nfo file_id.diz \
  web/index.html web/intro.js web/intro.wasm web/synth_worker.js web/intro-synth.js \
  web/intro-synth.wasm; do
  [ -s "$dist/$f" ] || fail "no $f"
done
size=$(stat -c %s "$dist/intro-64k.exe")
[ "$size" -le 65536 ] || fail "intro-64k.exe is $size bytes, over 65536"
normal=$(stat -c %s "$dist/intro.exe")
[ "$normal" -gt "$size" ] || fail "intro.exe ($normal bytes) is not the normal build"
file "$dist/intro.exe" "$dist/intro-64k.exe" | grep -c "PE32 executable" | grep -qx 2 ||
  fail "intro.exe and intro-64k.exe are not both 32-bit programs"
file "$dist/intro-x64.exe" | grep -q "PE32+ executable" || fail "intro-x64.exe is not a 64-bit program"
[ "$(identify -format '%wx%h' "$dist/screenshot.png")" = 1920x1080 ] || fail "screenshot is not 1920x1080"
columns() { awk '{ if (length > m) m = length } END { print m + 0 }' "$1"; }
[ "$(columns "$dist/intro.nfo")" -le 80 ] || fail "intro.nfo is wider than 80 columns"
[ "$(columns "$dist/file_id.diz")" -le 45 ] || fail "file_id.diz is wider than 45 columns"
[ "$(wc -l <"$dist/file_id.diz")" -le 10 ] || fail "file_id.diz has more than 10 lines"
LC_ALL=C grep -q '[^ -~]' "$dist/intro.nfo" "$dist/file_id.diz" && fail "the text files are not plain ASCII"
if [ -e "$dist/intro-1080p60.mp4" ]; then
  probe=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height,r_frame_rate \
    -of csv=p=0 "$dist/intro-1080p60.mp4")
  [ "$probe" = "1920,1080,60/1" ] || fail "the video is $probe, not 1920x1080 at 60 fps"
fi
diff <(cd "$dist" && find . -type f | sed 's|^\./||' | sort) \
  <(unzip -Z1 "$zip" | grep -v '/$' | sort) >/dev/null || fail "$zip does not hold dist's files"
echo "release checked: $(find "$dist" -type f | wc -l) files, intro-64k.exe $size bytes"
