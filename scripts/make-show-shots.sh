#!/usr/bin/env bash
# Takes a picture of each stage of the show with kelvo-viewer under its own
# Xvfb display, for the README: the four slides, the game, and the end slide
# (from a scratch copy of game/ whose child starts beside the old woman and a
# nurse right behind them, so the game ends at once). Needs Xvfb, xdotool
# and ImageMagick's import (scripts/install-deps.sh installs them).
# Usage: scripts/make-show-shots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
viewer="$build/bin/kelvo-viewer"
out="$root/docs/show"
mkdir -p "$out"

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
scratch=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
export DISPLAY=$display
sleep 1

shoot() { sleep "$2"; import -window root "$out/$1.png"; echo "docs/show/$1.png"; }
click() { xdotool mousemove 400 300 click 1; }

(cd "$root/game" && exec "$viewer") &
viewer_pid=$!
shoot slide1 4
for n in 2 3 4; do click; shoot "slide$n" 1; done
click
shoot game 3
xdotool key Escape || true
wait "$viewer_pid" || true

# The end: the child beside the old woman's first cell, a nurse behind her.
cp -r "$root/game/." "$scratch/"
printf '1\n118 33 0\n121 33 0\n' >"$scratch/ActorDescription.txt"
(cd "$scratch" && exec "$viewer") &
viewer_pid=$!
sleep 4
for n in 1 2 3 4; do click; sleep 1; done
xdotool key Up
shoot end 4
xdotool key Escape || true
wait "$viewer_pid" || true
