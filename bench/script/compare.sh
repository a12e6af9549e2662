#!/usr/bin/env bash
# Runs every program of this folder in the scene language (kelvo-script),
# Lua 5.4 and CPython in one sitting and prints a Markdown table: CPU time
# (user + system of the child) of the best of N runs with each interpreter's
# start-up (its best on an empty program) subtracted, the ratios, and the
# peak resident memory of each. The three result lines (the last line each
# prints) must agree; a program whose lines differ is marked and the exit
# status is 1.
#
#   bench/script/compare.sh [--runs N] [KELVO_SCRIPT] [PROGRAM...]
#
# KELVO_SCRIPT (a path, with a slash) defaults to build-bench/bin/kelvo-script
# of the checkout (a Release tree, see bench/README.md); PROGRAM names a
# NAME.kvs of this folder (default: all). Builds nothing.

set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=3
kelvo=""
programs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs)
      if [ $# -lt 2 ] || ! [[ "$2" =~ ^[1-9][0-9]*$ ]]; then echo "compare.sh: --runs wants a count" >&2; exit 2; fi
      runs=$2
      shift 2
      ;;
    -h|--help)
      sed -n '2,15p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
      exit 0
      ;;
    -*)
      echo "compare.sh: unknown option $1" >&2
      exit 2
      ;;
    *)
      # A path (it has a slash) is the interpreter; a bare name a program.
      if [[ "$1" == */* ]]; then
        kelvo=$1
        [ -d "$(dirname "$1")" ] && kelvo=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
      else
        programs+=("${1%.kvs}")
      fi
      shift
      ;;
  esac
done
[ -n "$kelvo" ] || kelvo="$root/build-bench/bin/kelvo-script"
if [ ! -f "$kelvo" ] || [ ! -x "$kelvo" ]; then
  echo "compare.sh: no kelvo-script at $kelvo (build the Release tree first)" >&2
  exit 2
fi
lua=$(command -v lua5.4) || { echo "compare.sh: lua5.4 is not installed (apt-get install lua5.4)" >&2; exit 2; }
# The interpreter itself, not a launcher script in front of it (pyenv's shims
# are shell scripts whose start-up would be timed with the program).
python=$(python3 -c 'import sys; print(sys.executable)') || { echo "compare.sh: no python3" >&2; exit 2; }
if [ ${#programs[@]} -eq 0 ]; then
  for f in "$here"/*.kvs; do programs+=("$(basename "$f" .kvs)"); done
fi
for p in "${programs[@]}"; do
  for ext in kvs lua py; do
    [ -f "$here/$p.$ext" ] || { echo "compare.sh: no $p.$ext in $here" >&2; exit 2; }
  done
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: >"$work/empty"
export PYTHONDONTWRITEBYTECODE=1

# measure OUT ERR CMD...: runs CMD with its output in OUT and ERR and prints
# "CPU-ms peak-KiB status" of that child alone. The CPU time is the child's
# getrusage (through wait4); the peak comes from /usr/bin/time, which forks
# the program from its own small image: a child forked from the measuring
# Python would carry Python's resident pages into its peak.
measure() {
  "$python" -c '
import os, sys
out, err, mem, cmd = sys.argv[1], sys.argv[2], sys.argv[2] + ".peak", sys.argv[3:]
pid = os.fork()
if pid == 0:
    try:
        os.dup2(os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 1)
        os.dup2(os.open(err, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 2)
        os.execv("/usr/bin/time", ["/usr/bin/time", "-q", "-f", "%M", "-o", mem] + cmd)
    finally:
        os._exit(127)
_, status, ru = os.wait4(pid, 0)
with open(mem) as f:
    peak = int(f.read().split()[-1])
print("%.3f %d %d" % ((ru.ru_utime + ru.ru_stime) * 1000.0, peak, os.waitstatus_to_exitcode(status)))
' "$@"
}

# run LANG FILE: one run of FILE in this folder; prints "CPU-ms peak-KiB" and
# leaves the last line of its output in $work/LANG.last. A failed run is
# reported and makes the exit status 1.
run() {
  local lang=$1 file=$2 cmd
  case "$lang" in
    kelvo) cmd=("$kelvo" "$file") ;;
    lua) cmd=("$lua" "$file") ;;
    python) cmd=("$python" "$file") ;;
  esac
  local res
  res=$(cd "$here" && measure "$work/$lang.out" "$work/$lang.err" "${cmd[@]}")
  read -r ms kib status <<<"$res"
  if [ "$status" != 0 ]; then
    echo "compare.sh: $lang $file exited with $status:" >&2
    head -5 "$work/$lang.err" >&2
    : >"$work/failed"
  fi
  tail -n 1 "$work/$lang.out" >"$work/$lang.last"
  echo "$ms $kib"
}

# smaller A B: B when A is empty or B is below it, else A.
smaller() {
  if [ -z "$1" ] || awk "BEGIN { exit !($2 < $1) }"; then echo "$2"; else echo "$1"; fi
}

# best LANG FILE: the best CPU time and the smallest peak of $runs runs.
best() {
  local lang=$1 file=$2 lowMs="" lowKib="" ms kib r
  for ((r = 0; r < runs; r++)); do
    read -r ms kib <<<"$(run "$lang" "$file")"
    lowMs=$(smaller "$lowMs" "$ms")
    lowKib=$(smaller "$lowKib" "$kib")
  done
  echo "$lowMs $lowKib"
}

declare -A ext=([kelvo]=kvs [lua]=lua [python]=py) start
for lang in kelvo lua python; do
  read -r ms _ <<<"$(best "$lang" "$work/empty")"
  start[$lang]=$ms
done

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg);" \
  "$($lua -v 2>&1 | cut -d' ' -f1-2), Python $("$python" -c 'import platform; print(platform.python_version())');" \
  "best of $runs, start-up subtracted (kelvo-script ${start[kelvo]} ms, Lua ${start[lua]} ms, CPython ${start[python]} ms)"
echo
echo "| program | Kelvo ms | Lua ms | CPython ms | Kelvo:Lua | Kelvo:CPython | Kelvo MB | Lua MB | CPython MB |"
echo "|---------|---------:|-------:|-----------:|----------:|--------------:|---------:|-------:|-----------:|"
mismatches=()
for p in "${programs[@]}"; do
  # One program at a time in all three, interleaved run by run, so that a
  # change in the machine's load weighs on the three alike.
  declare -A bestMs=() bestKib=()
  same=1
  for ((r = 0; r < runs; r++)); do
    for lang in kelvo lua python; do
      read -r ms kib <<<"$(run "$lang" "$p.${ext[$lang]}")"
      bestMs[$lang]=$(smaller "${bestMs[$lang]:-}" "$ms")
      bestKib[$lang]=$(smaller "${bestKib[$lang]:-}" "$kib")
    done
    if ! cmp -s "$work/kelvo.last" "$work/lua.last" || ! cmp -s "$work/kelvo.last" "$work/python.last"; then
      same=0
    fi
  done
  if [ -s "$work/kelvo.err" ]; then
    echo "compare.sh: kelvo-script $p.kvs wrote to standard error:" >&2
    head -5 "$work/kelvo.err" >&2
  fi
  name=$p
  if [ $same = 0 ]; then
    name="$p (results differ)"
    mismatches+=("$p: kelvo '$(cat "$work/kelvo.last")', lua '$(cat "$work/lua.last")', python '$(cat "$work/python.last")'")
  fi
  awk -v n="$name" -v k="${bestMs[kelvo]}" -v l="${bestMs[lua]}" -v p="${bestMs[python]}" \
      -v ks="${start[kelvo]}" -v ls="${start[lua]}" -v ps="${start[python]}" \
      -v kk="${bestKib[kelvo]}" -v lk="${bestKib[lua]}" -v pk="${bestKib[python]}" 'BEGIN {
    # A program quicker than the start-up noise is shown at 0.1 ms, so that
    # the ratios stay finite.
    k -= ks; l -= ls; p -= ps
    if (k < 0.1) k = 0.1; if (l < 0.1) l = 0.1; if (p < 0.1) p = 0.1
    printf "| %s | %.1f | %.1f | %.1f | %.2f x | %.2f x | %.1f | %.1f | %.1f |\n", n, k, l, p, k / l, k / p,
           kk / 1024, lk / 1024, pk / 1024
  }'
done
for m in "${mismatches[@]}"; do echo "compare.sh: results differ: $m" >&2; done
[ ${#mismatches[@]} -eq 0 ] && [ ! -e "$work/failed" ]
