#!/usr/bin/env bash
# The Debian package on a fresh machine. Builds the package (make package),
# makes a minimal Debian 12 (bookworm) root with debootstrap in a scratch
# folder, installs the package there with apt as a user would (without the
# Recommends, so the package's own Depends must bring everything), and checks:
#   - every program answers --version and kelvo-viewer --help without a
#     display, and each has its manual page;
#   - every library the programs name (linked, or opened at run time) is
#     installed before Xvfb and its libraries are;
#   - kelvo-show, run under Xvfb by a new user with a fresh home, makes the
#     per-user copy of the show's files, opens the "Kelvo Viewer" window, the
#     show writes newTablero.txt in the copy, F12 saves a picture there,
#     Escape ends it with status 0 and nothing was written into the
#     installation; a second run starts from the copy without copying;
#   - kelvo-scene draws each installed example as its picture in
#     docs/examples shows it (--ref);
#   - after an upgrade to a package with one more file of the show, the next
#     run brings the copy up to date and keeps the user's files there;
#   - apt-get remove leaves nothing of the package behind.
# It prints a PASS or FAIL line for each check; the exit status is 1 when any
# check fails, 2 when the root cannot be made.
#
# A manual check, not part of `make test`: it needs root, debootstrap
# (apt-get install debootstrap) and a Debian mirror. The base system is kept
# as a tarball in the build folder, so later runs do not download it again.
#
#   scripts/check-package.sh [--no-build] [BUILD_DIR]
#
#   --no-build   use the .deb already in BUILD_DIR instead of `make package`
#   MIRROR=URL   the Debian mirror (default http://deb.debian.org/debian)
#
# Logs of the last run are left in BUILD_DIR/check-package/.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/.." && pwd)
build_package=1
build=
for arg in "$@"; do
  case $arg in
    --no-build) build_package=0 ;;
    -h|--help) sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "check-package.sh: unknown option $arg" >&2; exit 2 ;;
    *) build=$arg ;;
  esac
done
build=${build:-$source_dir/build}
mirror=${MIRROR:-http://deb.debian.org/debian}
suite=bookworm

if [ "$(id -u)" != 0 ]; then echo "check-package.sh: run as root (chroot and mount need it)" >&2; exit 2; fi
for tool in debootstrap chroot unshare mount dpkg-deb strings; do
  command -v "$tool" >/dev/null || { echo "check-package.sh: $tool is missing (apt-get install -y debootstrap binutils)" >&2; exit 2; }
done

failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() {  # DESCRIPTION COMMAND...: PASS or FAIL by the command's status
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# --- the package --------------------------------------------------------------
mkdir -p "$build" && build=$(cd "$build" && pwd)
logs=$build/check-package
rm -rf "$logs" && mkdir -p "$logs"
show_log() { tail -n 20 "$1" | sed 's/^/    /'; }
if [ "$build_package" = 1 ]; then
  if make --no-print-directory -C "$source_dir" package BUILD_DIR="$build" >"$logs/make-package.log" 2>&1; then
    pass "make package"
  else
    fail "make package"; show_log "$logs/make-package.log"; exit 1
  fi
fi
# The newest package there (an older version's may lie beside it).
deb=$(ls -t "$build"/kelvo-viewer_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then echo "FAIL: no kelvo-viewer_*.deb in $build"; exit 1; fi
version=$(dpkg-deb -f "$deb" Version)
echo "package: $(basename "$deb")"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"


# --- a fresh root ---------------------------------------------------------------
scratch=$(mktemp -d /tmp/kelvo-check-package.XXXXXX)
root=$scratch/root
mounts=(proc dev/pts dev/shm)
cleanup() {
  local m
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    m=$root/${mounts[i]}
    if mountpoint -q "$m" 2>/dev/null; then umount "$m" 2>/dev/null || umount -l "$m"; fi
  done
  # Never remove through a mount that is still there.
  if grep -q " $scratch/" /proc/self/mounts; then
    echo "check-package.sh: $scratch still has mounts; left in place" >&2
  else
    rm -rf --one-file-system "$scratch"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

tarball=$build/debian-$suite-minbase.tgz
if [ ! -f "$tarball" ]; then
  echo "making $tarball (once)"
  debootstrap --variant=minbase --make-tarball="$tarball.new" "$suite" "$scratch/download" "$mirror" \
    >"$logs/debootstrap-download.log" 2>&1 && mv "$tarball.new" "$tarball" ||
    { rm -f "$tarball.new"; echo "FAIL: debootstrap --make-tarball (see $logs/debootstrap-download.log)"; exit 2; }
fi
debootstrap --variant=minbase --unpack-tarball="$tarball" "$suite" "$root" "$mirror" \
  >"$logs/debootstrap.log" 2>&1 || { echo "FAIL: debootstrap (see $logs/debootstrap.log)"; exit 2; }

# The sources of an installed Debian 12, security updates included; no
# service is started inside the root.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb http://deb.debian.org/debian-security $suite-security main
EOF
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod 755 "$root/usr/sbin/policy-rc.d"
cp /etc/resolv.conf "$root/etc/resolv.conf"

mount -t proc proc "$root/proc"
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"

# Runs a command in the root as root.
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
apt_install() {  # LOG PACKAGE...
  local log=$1; shift
  in_root apt-get install -y --no-install-recommends "$@" >"$logs/$log" 2>&1
}
in_root apt-get update >"$logs/apt-update.log" 2>&1 || { echo "FAIL: apt-get update"; show_log "$logs/apt-update.log"; exit 2; }
cp "$deb" "$root/tmp/"
if apt_install apt-package.log "./tmp/$(basename "$deb")"; then
  pass "apt-get install ./$(basename "$deb")"
else
  fail "apt-get install ./$(basename "$deb")"; show_log "$logs/apt-package.log"; exit 1
fi

# --- the programs, without a display ------------------------------------------------
for program in kelvo-viewer kelvo-scene kelvo-script kelvo-content kelvo-gui-art kelvo-show; do
  out=$(in_root "/usr/bin/$program" --version 2>&1)
  if [ "$out" = "$program $version" ]; then pass "$program --version"; else fail "$program --version: $out"; fi
  check "man page $program.1.gz" test -s "$root/usr/share/man/man1/$program.1.gz"
done
# The libraries the programs name (linked or opened at run time, as GL, GLU
# and FreeImage are) are all there before anything else is installed: what
# xvfb brings with it would hide a missing one from the runs below.
known=$(in_root ldconfig -p)
for lib in $(strings -a "$root"/usr/bin/kelvo-* | grep -E '^lib[A-Za-z0-9_+.-]+\.so(\.[0-9]+)+$' | sort -u); do
  case $known in *"	$lib ("*) pass "$lib is installed" ;; *) fail "$lib is installed (the package does not depend on it)" ;; esac
done
out=$(in_root /usr/bin/kelvo-viewer --help 2>&1)
if [ $? = 0 ] && [ -n "$out" ]; then pass "kelvo-viewer --help"; else fail "kelvo-viewer --help: $out"; fi

# --- the show, as a new user under Xvfb ---------------------------------------------
if apt_install apt-xvfb.log xvfb xauth xdotool; then
  pass "apt-get install xvfb xauth xdotool"
else
  fail "apt-get install xvfb xauth xdotool"; show_log "$logs/apt-xvfb.log"; exit 1
fi
in_root useradd --create-home --home-dir /home/viewer --shell /bin/sh viewer

# Runs in the root as the user, inside xvfb-run; prints PASS and FAIL lines.
# Every wait is for a condition, with a generous cap.
cat >"$root/tmp/show-check.sh" <<'EOF'
#!/bin/sh
copy=$HOME/.local/share/kelvo/game
installed=/usr/share/kelvo/game
say() { echo "$1: $2"; }
check() {  # DESCRIPTION COMMAND...
  what=$1; shift
  if "$@"; then say PASS "$what"; else say FAIL "$what"; fi
}
wait_for() {  # TRIES COMMAND...: retries every 0.1 s while the show runs
  tries=$1; shift
  while [ "$tries" -gt 0 ]; do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || { "$@"; return; }
    sleep 0.1; tries=$((tries - 1))
  done
  return 1
}
find_window() { window=$(xdotool search --onlyvisible --pid "$pid" --name '^Kelvo Viewer$' 2>/dev/null | head -n 1); [ -n "$window" ]; }
gone() { ! kill -0 "$pid" 2>/dev/null; }
same_files() {  # every installed file of the show, the same in the copy
  (cd "$installed" && find . -type f) | while IFS= read -r f; do
    cmp -s "$installed/$f" "$copy/$f" || { echo "  differs or missing in the copy: $f"; return 1; }
  done
}
screenshot_drawn() {  # a saved picture of more than one colour compresses to more than a few kB
  [ "$(stat -c %s "$copy/kelvo-0001.png" 2>/dev/null || echo 0)" -gt 20000 ]
}
ended() {  # RUN: presses Escape until the show ends, then its status is 0
  n=0
  while [ -n "$window" ] && [ $n -lt 10 ] && ! gone; do
    xdotool windowfocus --sync "$window" key Escape 2>/dev/null
    wait_for 100 gone
    n=$((n + 1))
  done
  if gone; then
    wait "$pid"; status=$?
    if [ $status = 0 ]; then say PASS "$1: Escape ends the show with status 0"
    else say FAIL "$1: Escape ends the show with status 0 (status $status)"; fi
  else
    say FAIL "$1: Escape ends the show"; kill "$pid"
  fi
}

cd "$HOME"
if [ "${1:-}" = upgrade ]; then
  # The package was upgraded to one with an added file: the next run brings
  # the copy up to date and keeps what the user had there.
  kelvo-show >"$HOME/show3.out" 2>"$HOME/show3.err" &
  pid=$!
  check "after an upgrade: the show starts" wait_for 1200 find_window
  check "after an upgrade: the copy is brought up to date" grep -q "copied to $copy" "$HOME/show3.out"
  check "after an upgrade: the copy holds every installed file, the new one too" same_files
  check "after an upgrade: the user's own files in the copy stay" test -f "$copy/kelvo-0001.png"
  ended "after an upgrade"
  exit 0
fi

kelvo-show >"$HOME/show.out" 2>"$HOME/show.err" &
pid=$!
check "first run: kelvo-show opens the \"Kelvo Viewer\" window" wait_for 1200 find_window
check "first run: the show's files copied to $copy" grep -q "copied to $copy" "$HOME/show.out"
check "first run: the copy holds every installed file" same_files
check "first run: the show writes newTablero.txt in the copy" wait_for 1200 test -f "$copy/newTablero.txt"
[ -n "$window" ] && xdotool windowfocus --sync "$window" key F12 2>/dev/null
check "first run: F12 saves a drawn picture of the show in the copy" wait_for 1200 screenshot_drawn
ended "first run"
check "nothing written into $installed" [ -z "$(find "$installed" -newer "$HOME/show.out" -print -quit)" ]

kelvo-show >"$HOME/show2.out" 2>"$HOME/show2.err" &
pid=$!
check "second run: the show starts from the copy as it stands" wait_for 1200 find_window
check "second run: nothing copied again" [ ! -s "$HOME/show2.out" ]
ended "second run"

# The installed examples draw what the build tree's examples draw: each
# compared with its picture in the documentation, made the same way.
cp -r /usr/share/kelvo/examples "$HOME/examples" && cd "$HOME/examples" || exit 1
draws_as_documented() {  # SCRIPT
  echo "== $1" >>"$HOME/scene.out"
  kelvo-scene --size 400x300 --frames 30 --fps 30 --ref "/tmp/refs/${1%.ks}.png" "$1" >>"$HOME/scene.out" 2>&1
}
for script in *.ks; do check "kelvo-scene $script draws its documented picture" draws_as_documented "$script"; done
EOF
chmod 755 "$root/tmp/show-check.sh"
mkdir -p "$root/tmp/refs" && cp "$source_dir"/docs/examples/*.png "$root/tmp/refs/"

# Runs show-check.sh as the user under xvfb-run, with its own network and
# IPC namespaces that keep this Xvfb apart from any X server of the host (X
# listens on abstract sockets, which a chroot does not separate) and its own
# PID namespace, which ends whatever it leaves running. Counts its FAILs.
run_show_check() {  # [PHASE]
  local results f
  results=$(unshare --net --ipc --pid --fork --kill-child \
    chroot "$root" /usr/sbin/runuser -u viewer -- /usr/bin/env -i HOME=/home/viewer USER=viewer LOGNAME=viewer \
    PATH=/usr/bin:/bin LANG=C.UTF-8 \
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" /tmp/show-check.sh "$@" 2>"$logs/xvfb-run.log")
  echo "$results"
  [ -n "$results" ] || { fail "the show's check under xvfb-run"; show_log "$logs/xvfb-run.log"; }
  failures=$((failures + $(printf '%s\n' "$results" | grep -c '^FAIL')))
  for f in show.out show.err show2.out show2.err show3.out show3.err scene.out .local/share/kelvo/game/kelvo-0001.png; do
    cp "$root/home/viewer/$f" "$logs/" 2>/dev/null
  done
  if printf '%s\n' "$results" | grep -q '^FAIL'; then
    for f in show.err show2.err show3.err scene.out; do [ -s "$logs/$f" ] && { echo "  $f:"; show_log "$logs/$f"; }; done
  fi
  return 0
}
run_show_check

# --- an upgrade and the removal ---------------------------------------------------
# The same package one version on, with one more file of the show.
next=$scratch/next
dpkg-deb -R "$deb" "$next"
sed -i "s/^Version: .*/Version: $version+check1/" "$next/DEBIAN/control"
echo "added by the upgrade" >"$next/usr/share/kelvo/game/Data/upgrade-check.txt"
(cd "$next" && md5sum usr/share/kelvo/game/Data/upgrade-check.txt >>DEBIAN/md5sums)
dpkg-deb --root-owner-group -b "$next" "$root/tmp/kelvo-viewer_next.deb" >/dev/null
if apt_install apt-upgrade.log ./tmp/kelvo-viewer_next.deb; then
  pass "apt-get install of the next version (an upgrade)"
  run_show_check upgrade
else
  fail "apt-get install of the next version (an upgrade)"; show_log "$logs/apt-upgrade.log"
fi

if in_root apt-get remove -y kelvo-viewer >"$logs/apt-remove.log" 2>&1; then
  pass "apt-get remove kelvo-viewer"
  left=$(cd "$root" && ls -d usr/share/kelvo usr/bin/kelvo-* usr/share/man/man1/kelvo-* 2>/dev/null)
  if [ -z "$left" ]; then pass "nothing of the package left behind"; else fail "left behind: $left"; fi
else
  fail "apt-get remove kelvo-viewer"; show_log "$logs/apt-remove.log"
fi

if [ "$failures" = 0 ]; then echo "check-package: all passed"; exit 0; fi
echo "check-package: $failures failed (logs in $logs)"
exit 1
