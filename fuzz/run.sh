#!/usr/bin/env bash
# Runs fuzz targets built in BUILD_DIR/fuzz, one after the other, each for
# SECONDS over its seed corpus in fuzz/corpus/<target>/. New inputs go to
# BUILD_DIR/fuzz-corpus/<target>/ (the seeds in git stay as they are);
# crashes, hangs and leaks are written to BUILD_DIR/fuzz-artifacts/.
#   fuzz/run.sh BUILD_DIR [SECONDS] [TARGET...]
# FUZZ_ARGS adds libFuzzer flags (for instance FUZZ_ARGS=-max_len=65536).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR [SECONDS] [TARGET...]}" && pwd)
seconds=${2:-30}
shift $(( $# >= 2 ? 2 : 1 ))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in "$here"/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/../scripts/lsan.supp:print_suppressions=0}

# Inputs of readers that take a path go through a scratch file: keep it in
# memory when the machine has a tmpfs for that.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

mkdir -p "$build/fuzz-artifacts"
failed=()
for target in "${targets[@]}"; do
  mkdir -p "$build/fuzz-corpus/$target"
  echo "== $target for ${seconds}s"
  # Script output ("print") is noise here: stdout is closed for the target.
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -close_fd_mask=1 -print_final_stats=1 ${FUZZ_ARGS:-} \
      -artifact_prefix="$build/fuzz-artifacts/$target-" \
      "$build/fuzz-corpus/$target" "$here/corpus/$target"; then
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]} (inputs in $build/fuzz-artifacts)"
  exit 1
fi
echo "fuzzing found nothing in: ${targets[*]}"
