#!/usr/bin/env bash
# Renders every example scene, examples/*.ks, with kelvo-scene and saves its
# last frame as docs/examples/NAME.png: 400 x 300 pixels, 30 frames at 30
# frames a second of virtual time (so scenes that animate give the same
# picture every run), run from the examples folder as the README says.
# Without a display it runs itself again under Xvfb.
# Usage: scripts/make-example-shots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
scene="$build/bin/kelvo-scene"
if [ ! -x "$scene" ]; then
  echo "make-example-shots: no $scene; build it first (cmake --build $build --target kelvo-scene)" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$build"
fi

out="$root/docs/examples"
mkdir -p "$out"
cd "$root/examples"
for script in *.ks; do
  name=${script%.ks}
  "$scene" --size 400x300 --frames 30 --fps 30 --screenshot "$out/$name.png" "$script" >/dev/null
  echo "docs/examples/$name.png"
done
