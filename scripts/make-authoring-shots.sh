#!/usr/bin/env bash
# Takes the README's pictures of kelvo-scene's window for authors:
# docs/authoring/panel.png, the panel of messages over a scene with mistakes
# in it, and docs/authoring/stats.png, the frame statistics (--stats). Both
# are 640 x 480, 30 frames at 30 frames a second of virtual time, from the
# example settings_shadows.ks. The script with mistakes is made in a scratch
# folder beside links to the examples' models and settings, so examples/
# stays as it is. Without a display it runs itself again under Xvfb.
# Usage: scripts/make-authoring-shots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
scene="$build/bin/kelvo-scene"
if [ ! -x "$scene" ]; then
  echo "make-authoring-shots: no $scene; build it first (cmake --build $build --target kelvo-scene)" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$build"
fi

out="$root/docs/authoring"
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ln -s "$root/examples/models" "$scratch/models"
ln -s "$root/examples/Data" "$scratch/Data"
# Three mistakes an author makes: a misspelt value, a misspelt method, and a
# call left open on the last line.
sed -e 's/^left = pillar(-0.6);$/&\nleft.castShadow(fals);/' \
    -e 's/glass.setMaterial(/glass.setMaterail(/' \
    "$root/examples/settings_shadows.ks" > "$scratch/shadows_typo.ks"
printf 'print("done";\n' >> "$scratch/shadows_typo.ks"

cd "$scratch"
"$scene" --frames 30 --fps 30 --screenshot "$out/panel.png" shadows_typo.ks >/dev/null 2>&1 || true
echo "docs/authoring/panel.png"
cd "$root/examples"
"$scene" --stats --frames 30 --fps 30 --screenshot "$out/stats.png" settings_shadows.ks >/dev/null
echo "docs/authoring/stats.png"
