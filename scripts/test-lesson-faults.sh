#!/usr/bin/env bash
# The lesson without a window (test_editor --serve) as a service runs it, then killed at every
# write and every sync of its database while results arrive, started again and its database
# checked; then the order of its replies and syncs that a power cut relies on
# (tests/lesson/serve_faults.py says how). Prints the table, kept in
# build/release/lesson-fault-table.txt. Needs the release build (scripts/build.sh release).
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build/release"
program="$build/src/app/test_editor"
[ -x "$program" ] && [ -x "$build/src/launcher/test_editor_launcher" ] ||
  stop "$program or its launcher is missing: build them first with \"bash scripts/build.sh release\""
command -v strace >/dev/null || stop "strace is missing: bash scripts/setup.sh installs it"

# A folder laid out as the Linux download's, with this build's program and this system's loader
# in it: the launcher hands --serve and every other argument on as it hands a folder on.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/download/.test_editor/lib"
cp "$build/src/launcher/test_editor_launcher" "$work/download/test_editor"
ln -s "$program" "$work/download/.test_editor/test_editor"
ln -s "$(readlink -f /lib64/ld-linux-x86-64.so.2)" "$work/download/.test_editor/lib/ld-linux-x86-64.so.2"

python3 "$here/tests/lesson/serve_faults.py" "$program" "$here/sample" "$build/lesson-fault-table.txt" \
  "$work/download/test_editor"
