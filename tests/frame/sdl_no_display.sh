#!/usr/bin/env bash
# The SDL program started without a display: one line that points to the
# capture command and exit code -1. A driver named in SDL_VIDEODRIVER is
# honoured even when it shows nothing (the run is then ended with SIGINT).
# Exit code 77 (skipped) where a console display could answer instead.
set -uo pipefail
program=${1:?usage: sdl_no_display.sh path/to/intro}
if compgen -G "/dev/dri/card*" >/dev/null; then
  echo "a DRM device is present: SDL may open a console display here" >&2
  exit 77
fi
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT

# Nothing but the program's own line, also without XDG_RUNTIME_DIR (whose
# absence the display libraries would report).
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u XDG_RUNTIME_DIR SDL_AUDIODRIVER=dummy \
  timeout 60 "$program" 2>"$errors"
code=$?
said=$(cat "$errors")
echo "without a display: exit code $code, said: $said"
[ "$code" -eq 255 ] || exit 1
[ "$(wc -l <"$errors")" -eq 1 ] || exit 1
grep -q "^intro: no display found.*scripts/capture.sh" <<<"$said" || exit 1

env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
  "$program" 2>"$errors" &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"
  echo "with SDL_VIDEODRIVER=offscreen it ended at once with exit code $?:" >&2
  cat "$errors" >&2
  exit 1
fi
kill -INT "$pid"
wait "$pid"
code=$?
echo "with SDL_VIDEODRIVER=offscreen: running until SIGINT, exit code $code"
[ "$code" -eq 0 ] && ! grep -q "no display" "$errors"
