#!/usr/bin/env bash
# Builds the browser version and serves it on this machine; open the printed
# address in a browser with WebGL 2. Ctrl-C stops the server.
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/web.sh"
  echo "Builds the browser version (build-web/site) and serves it on http://localhost:PORT/"
  echo "(PORT from the environment, 8000 by default) until Ctrl-C, with the headers that make"
  echo "the page cross-origin isolated (see the README's \"Publishing the browser version\")."
  exit 0
fi
cd "$(dirname "$0")/.."
scripts/build-web.sh
port=${PORT:-8000}
echo "The presentation is served at http://localhost:$port/ (Ctrl-C stops the server)"
exec python3 scripts/serve-site.py "${INTRO_WEB_BUILD:-build-web}/site" "$port"
