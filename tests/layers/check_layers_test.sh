#!/usr/bin/env bash
# The layer check against a small source tree of its own: each include below
# is written into src/ROOM/File.h and must give exactly the lines expected.
set -euo pipefail
check=${1:?usage: check_layers_test.sh CHECK_LAYERS_SCRIPT}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

# room  include  expected line ("" when it is allowed)
cases=(
  "scene|scene/Camera.h|"
  "scene|model/IModel.h|"
  "scene|Local.h|"
  "app|gui/GuiManager.h|"
  "script|scene/Scene.h|"
  "util|platform/Clock.h|"
  "scene|shadows/Shadows.h|includes \"shadows/Shadows.h\": scene may not include shadows (sideways)"
  "shadows|scene/GeometryNode.h|includes \"scene/GeometryNode.h\": shadows may not include scene (sideways)"
  "material|script/Value.h|includes \"script/Value.h\": material may not include script (up)"
  "base|platform/Window.h|includes \"platform/Window.h\": base may not include platform (sideways)"
  "gui|editors/Grammar.h|includes \"editors/Grammar.h\", which is in no room of the layer table"
)

expected=""
for i in "${!cases[@]}"; do
  IFS='|' read -r room include line <<<"${cases[$i]}"
  mkdir -p "$tree/src/$room"
  printf '#pragma once\n  #  include "%s"  // a comment\n#include <vector>\n' "$include" >"$tree/src/$room/File$i.h"
  [ -n "$line" ] && expected+="src/$room/File$i.h:2: $line"$'\n'
done
mkdir -p "$tree/src/kitchen"
expected+="src/kitchen: a room the layer table in scripts/check-layers.sh does not know"$'\n'

status=0
actual=$("$check" "$tree" | sort) || status=$?
if [ "$status" -ne 1 ] || [ "$actual" != "$(sort <<<"${expected%$'\n'}")" ]; then
  echo "check-layers: status $status, expected 1; output:"
  echo "$actual"
  echo "expected:"
  sort <<<"${expected%$'\n'}"
  exit 1
fi

# A tree without faults passes.
rm -rf "$tree/src/kitchen" "$tree/src"/{scene,shadows,material,base,gui}/File{6,7,8,9,10}.h
"$check" "$tree" >/dev/null || { echo "check-layers fails a sound tree"; exit 1; }
echo "check-layers: as expected"
