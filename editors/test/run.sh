#!/bin/sh
# Runs grammar.test.js with the npm packages it needs, installed from the
# lockfile beside this script into MODULES (npm ci, again only when the
# lockfile changed). Status 77 (skipped) when node or npm is missing.
#   run.sh MODULES KELVO_SCRIPT VERSION
set -eu
here=$(cd "$(dirname "$0")" && pwd)
modules=$1
kelvo_script=$2
version=$3
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  echo "SKIPPED: node and npm are needed to run the grammar through vscode-textmate" >&2
  exit 77
fi
mkdir -p "$modules"
if ! cmp -s "$here/package-lock.json" "$modules/package-lock.json" || [ ! -d "$modules/node_modules" ]; then
  cp "$here/package.json" "$here/package-lock.json" "$modules/"
  (cd "$modules" && npm ci --no-audit --no-fund --loglevel=error)
fi
exec node "$here/grammar.test.js" "$modules" "$kelvo_script" "$version"
