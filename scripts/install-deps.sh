#!/usr/bin/env bash
# Installs every Debian package Kelvo Viewer needs to build, test and run.
# Idempotent: packages already present are not touched, and nothing runs apt
# when all of them are there. Works as root or through sudo.
set -euo pipefail

packages=(
  build-essential g++ cmake make pkg-config
  flex bison
  libsdl2-dev
  libgl-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
  libfreeimage-dev
  libassimp-dev
  libopenal-dev libopenal1 libalut-dev
  libgtest-dev googletest
  xvfb xauth xdotool x11-utils imagemagick
  gcovr
  groff-base dpkg-dev nodejs
)
# npm comes with some builds of nodejs (NodeSource's) and is a package of its
# own in Debian's; asking for Debian's beside the other would conflict.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo is available" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
