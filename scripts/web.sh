#!/usr/bin/env bash
# Builds the browser version and serves it on this machine; open the printed
# address in a browser with WebGL 2. Ctrl-C stops the server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-web.sh
port=${PORT:-8000}
echo "The presentation is served at http://localhost:$port/ (Ctrl-C stops the server)"
cd build-web/site
exec python3 -m http.server "$port" --bind 127.0.0.1
