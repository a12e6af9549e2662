#!/usr/bin/env bash
# Runs the CTest suite of one build folder. Without a display the whole run
# goes under Xvfb, where Mesa's llvmpipe gives real GL to the gl and e2e tests.
# Extra arguments go to ctest (for instance -L unit).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: run-tests.sh BUILD_DIR [ctest args...]}
shift
build=$(cd "$build" && pwd)

# Sanitizer builds: fail on any report; leaks from the system's GL, X11 and
# audio libraries are theirs, not ours.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/lsan.supp:print_suppressions=0}

echo "== tests in $build"
cmd=(ctest --test-dir "$build" --output-on-failure -j 2 "$@")
if [ -z "${DISPLAY:-}" ]; then
  # -noreset: without it Xvfb resets whenever its last client leaves, and a
  # test that connects during the reset finds no display.
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" "${cmd[@]}"
else
  exec "${cmd[@]}"
fi
