#!/usr/bin/env bash
# Runs the SDL program under a virtual X server with the dummy audio driver:
# Escape tapped while it loads (pressed and released at once) ends it with 0
# at the loader's next tick; Escape tapped while it plays ends it with 0; then
# SIGINT during loading must end a third run at once.
set -uo pipefail
program=${1:?usage: sdl_smoke.sh path/to/intro}
if [ -z "${SMOKE_INNER:-}" ]; then
  exec env SMOKE_INNER=1 xvfb-run -a -s "-screen 0 320x200x24" "$0" "$@"
fi
export SDL_AUDIODRIVER=dummy
# Waits up to $2 seconds for the run $1 to end; its exit code, or 124.
wait_end() {
  for _ in $(seq 1 $(($2 * 4))); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.25
  done
  if kill -0 "$1" 2>/dev/null; then
    kill -KILL "$1"
    wait "$1" 2>/dev/null
    return 124
  fi
  wait "$1"
}

# A tap while loading, then a tap while playing: the viewer says when loading
# is over (it suggests --scale on Xvfb's software GL).
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
for when in loading playing; do
  if [ "$when" = loading ]; then
    "$program" &
    pid=$!
    # The tap must find the program's window (on a busy machine it takes a
    # while to open); loading goes on for seconds after that.
    timeout 60 xdotool search --sync --pid "$pid" > /dev/null
  else
    "$program" --window 160x90 2> "$errors" &
    pid=$!
    for _ in $(seq 1 480); do
      grep -q "software rasteriser" "$errors" && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.25
    done
  fi
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    echo "intro ended on its own with exit code $? before Escape ($when)" >&2
    exit 1
  fi
  xdotool key Escape
  wait_end "$pid" 60
  code=$?
  echo "intro exit code $code after a tap of Escape while $when"
  [ "$code" -eq 0 ] || exit 1
done

# SIGINT while loading ends the program at once, with exit code 0.
"$program" &
pid=$!
sleep 1
kill -INT "$pid"
for _ in $(seq 1 20); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.25
done
if kill -0 "$pid" 2>/dev/null; then
  echo "intro still loading after SIGINT" >&2
  kill -KILL "$pid"
  exit 1
fi
wait "$pid"
code=$?
echo "intro exit code $code after SIGINT"
[ "$code" -eq 0 ]
