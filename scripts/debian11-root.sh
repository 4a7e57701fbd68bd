#!/usr/bin/env bash
# A Debian 11 root (bullseye, glibc 2.31), as a school computer with an older C library has one:
# debootstrap's minbase with only the X client libraries of a minimal desktop and DejaVu, what
# they pull in and nothing else (no Liberation fonts, no libOpenGL.so.0). Made once, in a few
# minutes, from Debian's archive (the one this machine's apt uses), and kept between runs in
# DEBIAN11_ROOT (default /var/cache/test-editor/debian11-root); made again when the list below
# changes. Prints the root's path. Needs root and debootstrap (scripts/setup.sh). A run uses it through an overlay, leaving it as made.
#
#   scripts/debian11-root.sh
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
packages=(libx11-6 libx11-xcb1 libxcb1 libxext6 libxrender1 libsm6 libice6 libgl1 libegl1
  fonts-dejavu-core)
root="${DEBIAN11_ROOT:-/var/cache/test-editor/debian11-root}"
made="bullseye minbase ${packages[*]}"

mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9  # another run making it: wait, then use what it made
if [ "$(cat "$root/.made-with" 2>/dev/null)" = "$made" ]; then
  echo "$root"
  exit 0
fi
# The archive this machine's apt takes Debian from (not its security or updates suites).
mirror="$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' | awk '$2 !~ /-/ {print $1; exit}')"
if [ -z "$mirror" ]; then
  echo "debian11-root: this machine's apt names no Debian archive" >&2
  exit 1
fi
echo "debian11-root: making the root in $root from $mirror (a few minutes, once)" >&2
rm -rf "$root.new"
log="$(dirname "$root")/debootstrap.log"
if ! debootstrap --variant=minbase --include="$(IFS=,; echo "${packages[*]}")" bullseye \
  "$root.new" "$mirror" >"$log" 2>&1; then
  tail -20 "$log" >&2
  echo "debian11-root: debootstrap failed (its log: $log)" >&2
  exit 1
fi
echo "$made" >"$root.new/.made-with"
rm -rf "$root"
mv "$root.new" "$root"
echo "$root"
