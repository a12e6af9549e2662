#!/usr/bin/env bash
# Rewrites the script transcripts kept in tests/script/transcripts/ from the
# first interpreter of one build, for a change whose effect on scripts is
# meant: kelvo-script and the transcript test are built, the test writes
# every transcript (and removes those whose script is gone), and git shows
# what changed. Look at `git diff tests/script/transcripts` before you commit.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: update-transcripts.sh BUILD_DIR}
build=$(cd "$build" && pwd)

cmake --build "$build" -j2 --target kelvo-script script_transcript_test
KELVO_UPDATE_TRANSCRIPTS=1 "$build/tests/script_transcript_test" --gtest_filter='ScriptTranscripts.EveryScriptAsKept' >/dev/null
git -C "$here/.." status --short -- tests/script/transcripts
