#!/usr/bin/env bash
# Tests the size build (scripts/build-64k.sh, which also tests the unpacking
# code natively): the packed file against the budget in size/budget, the
# artwork points against the drawings' table (natively), and, under Wine, the
# same program as the normal one: the soundtrack hash, the wave table and
# texture hash tests built from the same objects with the same flags; then the
# packed file plays under Xvfb: Escape tapped while loading ends it with 0,
# Escape in a scene with 0, a run left alone ends with 0, a run without a
# display ends with -1 as the normal program's does, and the loader takes at
# most twice the normal program's (when build-win32-<arch>/frame/intro.exe is
# there to compare with).
# The x86_64 size build runs everywhere; the i686 one, the product, where the
# machine can run 32-bit programs (one line says it was skipped otherwise).
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/test-64k.sh"
  echo "Builds the size build for i686 and x86_64 and tests its size, hashes and runs under Wine."
  exit 0
fi
cd "$(dirname "$0")/.."
jobs=${INTRO_JOBS:-$(nproc)}
fail() { echo "FAIL: $*" >&2; exit 1; }

echo "== size against the budget"
exe=$(INTRO_JOBS=$jobs scripts/build-64k.sh | tee /dev/stderr | tail -1)
budget=$(grep -v '^#' size/budget | head -1)
bytes=$(stat -c %s "$exe")
[ "$bytes" -le "$budget" ] || fail "$exe is $bytes bytes, over the budget of $budget (size/budget)"
echo "$exe: $bytes bytes, budget $budget"

echo "== artwork points, unpacked natively"
native=$(mktemp -d)
g++ -std=c++20 -O2 -ffp-contract=off -I. tests/size/artwork_points_test.cpp \
  build-64k-i686/size/artwork_points.cpp -o "$native/artwork_points_test"
"$native/artwork_points_test"
rm -rf "$native"

source scripts/wine-session.sh

launch() {
  local name=$1 program=$2
  rm -f "$work/$name.rc"
  (wine "$program" 2>"$work/$name.err"; echo $? >"$work/$name.rc") &
}
wait_exit() {
  local end=$((SECONDS + $2))
  while [ ! -s "$work/$1.rc" ] && [ $SECONDS -lt $end ]; do sleep 0.2; done
  if [ -s "$work/$1.rc" ]; then cat "$work/$1.rc"; else echo running; wineserver -k || true; fi
}
escape() {
  local win
  win=$(xdotool search --classname 'intro.exe' 2>/dev/null | tail -1 || true)
  [ -n "$win" ] && xdotool windowraise "$win" windowfocus "$win" 2>/dev/null || true
  xdotool mousemove 320 180 key Escape
}
# Seconds from the start until the loader bar has come and gone.
loader_seconds() {
  local start shown="" name=$1
  start=$(date +%s.%N)
  launch "$name" "$2"
  for _ in $(seq 1200); do
    shot "$name"
    if [ "$(pixel "$name" 100 180)" = "255,0,0" ]; then
      shown=1
    elif [ -n "$shown" ]; then
      break
    fi
    [ -s "$work/$name.rc" ] && fail "$2 ended while loading"
  done
  [ -n "$shown" ] || fail "$2: no loader bar on screen"
  awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f\n", b - a }'
}

test_arch() {
  local arch=$1 dir=$2 normal=$3
  echo "== $arch: hash tests under Wine"
  cmake --build "$dir" -j "$jobs" --target synth_song_tests synth_tests texgen_tests >/dev/null
  wine "$dir/tests/synth/synth_song_tests.exe" --gtest_brief=1
  wine "$dir/tests/synth/synth_tests.exe" --gtest_brief=1
  wine "$dir/tests/texgen/texgen_tests.exe" --gtest_brief=1
  local exe=$dir/intro-64k.exe rc
  grep -q "PerMonitorV2" "$exe" || fail "$arch: no DPI manifest in $exe"
  echo "== $arch: $exe plays under Wine"
  launch run0 "$exe"
  for _ in $(seq 100); do shot run0; [ "$(pixel run0 100 180)" = "255,0,0" ] && break; sleep 0.2; done
  escape
  rc=$(wait_exit run0 60)
  [ "$rc" = 0 ] || fail "$arch: Escape while loading: exit code $rc"
  echo "Escape while loading: exit code 0"
  local size_load normal_load
  size_load=$(loader_seconds run1 "$exe")
  sleep 3
  escape
  rc=$(wait_exit run1 30)
  [ "$rc" = 0 ] || fail "$arch: Escape in a scene: exit code $rc"
  echo "loader ${size_load} s; Escape in a scene: exit code 0"
  local start=$SECONDS
  launch run2 "$exe"
  rc=$(wait_exit run2 300)
  [ "$rc" = 0 ] || fail "$arch: run to the end: exit code $rc"
  echo "ended by itself after $((SECONDS - start)) s: exit code 0"
  rc=$( (unset DISPLAY; wine "$exe" >/dev/null 2>&1) && echo 0 || echo $?)
  [ "$rc" = 255 ] || fail "$arch: without a display: exit code $rc, not -1"
  echo "without a display: exit code -1"
  if [ -x "$normal" ]; then
    # The best of two runs each, taken in turns: other work on the machine
    # slows single runs by more than the difference measured.
    local again normal_again
    normal_load=$(loader_seconds run3 "$normal")
    escape
    wait_exit run3 30 >/dev/null
    again=$(loader_seconds run4 "$exe")
    escape
    wait_exit run4 30 >/dev/null
    normal_again=$(loader_seconds run5 "$normal")
    escape
    wait_exit run5 30 >/dev/null
    size_load=$(awk -v a="$size_load" -v b="$again" 'BEGIN { print (a < b ? a : b) }')
    normal_load=$(awk -v a="$normal_load" -v b="$normal_again" 'BEGIN { print (a < b ? a : b) }')
    echo "loader, best of two: size build ${size_load} s, normal program ${normal_load} s"
    awk -v s="$size_load" -v n="$normal_load" 'BEGIN { exit !(s <= 2 * n) }' ||
      fail "$arch: the size build's loader takes more than twice the normal program's"
  else
    echo "loader: no normal program at $normal to compare with, not compared"
  fi
}

INTRO_64K_ARCH=x86_64 INTRO_JOBS=$jobs scripts/build-64k.sh >/dev/null
test_arch x86_64 build-64k-x64 build-win32-x64/frame/intro.exe
if ! scripts/can-run-32bit.sh; then
  echo "== i686: SKIPPED, not run: this machine's kernel cannot run 32-bit programs"
elif [ ! -x /usr/lib/wine/wine ]; then
  echo "== i686: SKIPPED, not run: Wine's 32-bit half (wine32:i386) is not installed"
else
  test_arch i686 build-64k-i686 build-win32-i686/frame/intro.exe
fi
echo "size build passed"
