#!/usr/bin/env bash
# Starts the show from its installation folder, game/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cd "$root/game"
exec "$build/bin/kelvo-viewer"
