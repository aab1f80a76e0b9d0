#!/usr/bin/env bash
# Runs the SDL program under a virtual X server with the dummy audio driver,
# holds Escape down after a few seconds and expects a normal end (exit 0).
# Escape is ignored while loading, so holding it works whenever loading ends.
# Then SIGINT during loading must end a second run at once.
set -uo pipefail
program=${1:?usage: sdl_smoke.sh path/to/intro}
if [ -z "${SMOKE_INNER:-}" ]; then
  exec env SMOKE_INNER=1 xvfb-run -a -s "-screen 0 320x200x24" "$0" "$@"
fi
export SDL_AUDIODRIVER=dummy
"$program" &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  echo "intro ended on its own with exit code $? before Escape" >&2
  exit 1
fi
xdotool keydown Escape
for _ in $(seq 1 240); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.5
done
xdotool keyup Escape
if kill -0 "$pid" 2>/dev/null; then
  echo "intro still running after Escape" >&2
  kill "$pid"
  exit 1
fi
wait "$pid"
code=$?
echo "intro exit code $code after Escape"
[ "$code" -eq 0 ] || exit 1

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
