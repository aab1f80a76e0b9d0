#!/usr/bin/env bash
# Builds the browser version and serves it on this machine; open the printed
# address in a browser with WebGL 2. Ctrl-C stops the server.
set -euo pipefail
if [ "${1:-}" = --help ]; then
  echo "usage: scripts/web.sh"
  echo "Builds the browser version (build-web/site) and serves it on http://localhost:PORT/"
  echo "(PORT from the environment, 8000 by default) until Ctrl-C."
  exit 0
fi
cd "$(dirname "$0")/.."
scripts/build-web.sh
port=${PORT:-8000}
echo "The presentation is served at http://localhost:$port/ (Ctrl-C stops the server)"
cd build-web/site
exec python3 -m http.server "$port" --bind 127.0.0.1
