#!/usr/bin/env bash
# The player under a virtual X server with the dummy audio driver: a window
# started at 76.8 s, the overlay shown with I, a resize followed by the
# picture, pause, seeks and full screen on and off, then Escape ends it with 0.
# Screenshots are kept in the folder given as second argument.
set -uo pipefail
program=${1:?usage: player_smoke.sh path/to/intro SHOTS_DIR}
shots=${2:?usage: player_smoke.sh path/to/intro SHOTS_DIR}
if [ -z "${SMOKE_INNER:-}" ]; then
  exec env SMOKE_INNER=1 xvfb-run -a -s "-screen 0 640x400x24" "$0" "$@"
fi
export SDL_AUDIODRIVER=dummy
mkdir -p "$shots"
rm -f "$shots"/*.png
errors="$shots/stderr.txt"

fail() {
  echo "FAIL: $*" >&2
  cat "$errors" >&2
  kill "$pid" 2>/dev/null
  exit 1
}
shot() { import -window root "$shots/$1.png"; }
# Mean brightness (0..1) of a region WxH+X+Y of a screenshot.
mean() { convert "$shots/$1.png" -crop "$2" +repage -format '%[fx:mean]' info:; }
alive() { kill -0 "$pid" 2>/dev/null || fail "the player ended early"; }
key() {
  xdotool windowactivate --sync "$window" key "$1" 2>/dev/null || xdotool key "$1"
  sleep "${2:-1}"
  alive
}

"$program" --window 320x180 --start 76.8 2>"$errors" &
pid=$!
window=""
for _ in $(seq 1 300); do
  window=$(xdotool search --name '^intro$' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  alive
  sleep 0.2
done
[ -n "$window" ] || fail "no window named intro"
# Loading ends with the suggestion to scale (Xvfb's GL is a software one).
for _ in $(seq 1 600); do
  grep -q "software rasteriser.*--scale 0.5" "$errors" && break
  alive
  sleep 0.2
done
grep -q "software rasteriser.*--scale 0.5" "$errors" ||
  fail "no suggestion of --scale on a software renderer"
sleep 1

xdotool windowmove --sync "$window" 0 0
sleep 1
shot plain
key i 2
shot overlay
plain=$(mean plain 120x12+0+0)
shown=$(mean overlay 120x12+0+0)
awk -v a="$plain" -v b="$shown" 'BEGIN { exit !(a != b) }' ||
  fail "the overlay did not change the top left ($plain, $shown)"

# The picture follows a resize: the lower right of the larger window is drawn.
xdotool windowsize --sync "$window" 480 270
sleep 2
alive
shot resized
lower=$(mean resized 100x60+370+200)
awk -v m="$lower" 'BEGIN { exit !(m > 0.02) }' || fail "the resized window's corner is black ($lower)"

key space
key Left
key Right
key space
# Without a window manager full screen leaves the window as it is: the
# drawing keeps the window's size, so the audience under the hanging screen
# (still the same picture) stays where it was in the window.
key f 2
shot fullscreen
for name in resized fullscreen; do
  convert "$shots/$name.png" -crop 480x100+0+170 +repage "$shots/$name-audience.png"
done
moved=$(compare -metric RMSE "$shots/resized-audience.png" "$shots/fullscreen-audience.png" \
  null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
awk -v d="$moved" 'BEGIN { exit !(d != "" && d < 0.1) }' ||
  fail "after F the picture no longer fits the window (difference ${moved:-unknown})"
key f 2
xdotool keydown Escape
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
xdotool keyup Escape
kill -0 "$pid" 2>/dev/null && fail "still running after Escape"
wait "$pid"
code=$?
echo "player: overlay, resize, pause, seeks and full screen; Escape ended it with $code"
[ "$code" -eq 0 ] || fail "exit code $code"
