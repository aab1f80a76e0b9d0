#!/bin/sh
# Renders the 17 pictures with texdump and lays them out on one contact sheet,
# as the scenes show them (colour only, alpha ignored), with the lines where
# 16:9, 16:10 and 4:3 screens cut a picture shown at full width.
#   tools/artwork/sheet.sh BUILD_DIR OUT_DIR     (writes OUT_DIR/sheet.png)
set -e
if [ "${1:-}" = --help ]; then
    echo "usage: tools/artwork/sheet.sh BUILD_DIR OUT_DIR   (writes OUT_DIR/sheet.png)"
    exit 0
fi
build=${1:?build dir}; out=${2:?output dir}
mkdir -p "$out"
"$build/tools/texgen/texdump" "$out" > /dev/null
for n in 00 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16; do
    convert "$out/texture_$n.png" -alpha off \
        -stroke '#00ff00' -draw 'line 0,576 1023,576' \
        -stroke '#ffff00' -draw 'line 0,640 1023,640' \
        -stroke '#ff0000' -draw 'line 0,768 1023,768' "$out/shown_$n.png"
done
# The sheet is made under a temporary name: sheet.png appears only when complete.
trap 'rm -f "$out/.sheet-part.png"' EXIT
montage -font DejaVu-Sans -label '%t' "$out"/shown_*.png -tile 6x3 -geometry 340x340+3+3 -background '#445' \
    "$out/.sheet-part.png"
mv -f "$out/.sheet-part.png" "$out/sheet.png"
echo "$out/sheet.png"
