# Sourced by the scripts that drive a real window: a display of its own, and where the controls are.

# work_folder [COMMAND]: a fresh temporary folder in $work; at exit COMMAND runs (if given), the
# display of own_display is stopped and the folder removed.
work_folder() {
  work="$(mktemp -d)"
  xvfb_pid=""
  at_exit="${1:-}"
  trap 'eval "$at_exit" || true; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
}

# own_display SIZE LOG: starts Xvfb on a free display (SIZE as 1280x1024x24, its output to LOG);
# sets xvfb_pid and display (the number, for DISPLAY=":$display").
own_display() {
  exec 3<> <(:)
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp >"$2" 2>&1 &
  xvfb_pid=$!
  read -r -t 20 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
}

# control_places DIR: writes DIR/control-places.txt, the place of every control in twips, from
# the window's shared design, for the clicks of the scripts that drive it.
control_places() {
  local here
  here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  c++ -std=c++20 -I"$here/src" "$here/tests/win32/ControlPlaces.cpp" "$here/src/window/Layout.cpp" \
    -o "$1/control-places"
  "$1/control-places" >"$1/control-places.txt"
}
