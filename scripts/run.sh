#!/usr/bin/env bash
# Builds the editor if needed and starts it on a working copy of the model test, run/shell.
# The copy is made from sample/ the first time only, so a teacher's edits are still there at
# the next start; --fresh replaces it with a new copy. sample/ itself is never touched.
# Usage: scripts/run.sh [--fresh]
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

fresh=0
for arg in "$@"; do
  case "$arg" in
    --fresh) fresh=1 ;;
    *) echo "usage: scripts/run.sh [--fresh]" >&2; exit 2 ;;
  esac
done

if [ ! -f sample/1.js ] || [ ! -f sample/index.html ]; then
  echo "run: the model test sample/ is missing or incomplete (no sample/1.js or sample/index.html)." >&2
  echo "run: the editor needs a test shell to start in; restore sample/ from the repository." >&2
  exit 1
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: there is no display (DISPLAY and WAYLAND_DISPLAY are not set)." >&2
  echo "run: on a machine without one, start the editor on a virtual display:" >&2
  echo "run:     xvfb-run -a bash scripts/run.sh" >&2
  echo "run: (bash scripts/setup.sh installs xvfb-run if it is missing)." >&2
  exit 1
fi

bash scripts/setup.sh
bash scripts/build.sh release

shell="$here/run/shell"
if [ "$fresh" -eq 1 ] || [ ! -d "$shell" ]; then
  rm -rf "$shell"
  mkdir -p "$here/run"
  cp -a sample "$shell.new"
  mv "$shell.new" "$shell"
  echo "run: new working copy of the model test in run/shell"
else
  echo "run: working copy run/shell as it was left (scripts/run.sh --fresh starts anew)"
fi

# The editor works on the folder it is placed in.
cp "$here/build/release/src/app/test_editor" "$shell/test_editor"
cd "$shell"
exec ./test_editor
