# Sourced by the Wine test scripts: starts a private Xvfb display, a fresh
# Wine prefix with one persistent server, ALSA's null device as the wave output
# and the fonts the program asks for; the exit trap removes all of it. Sets
# work (a scratch folder), DISPLAY, WINEPREFIX and HOME. Also defines the
# screenshot helpers `shot NAME` and `pixel NAME X Y`, which keep their files
# in $shots (in $work while shots is empty).
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The display comes first: the prefix's desktop process, started with the
# server below, binds to the display it finds and the program's window needs it.
Xvfb -displayfd 3 -screen 0 640x360x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# ALSA's null device gives Wine a wave output (it plays faster than real time).
mkdir -p "$work/home"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$work/home/.asoundrc"
export HOME="$work/home"
# One persistent server, and the prefix's services started with their output
# detached, so that test processes do not leave pipes open behind them.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 </dev/null &
sleep 0.5
wineboot -i >/dev/null 2>&1 </dev/null
# The free "Tahoma" and "Webdings" faces go where Wine's GDI looks for fonts,
# with Symbola for the symbols that this "Webdings" has only as boxes.
cp /usr/share/wine/fonts/tahoma*.ttf /usr/share/wine/fonts/webdings.ttf \
  /usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf \
  "$WINEPREFIX/drive_c/windows/Fonts/"

shots=""
shot() { import -window root "${shots:-$work}/$1.png"; }
pixel() {
  convert "${shots:-$work}/$1.png" -format \
    "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}
