#!/usr/bin/env bash
# The Windows program: cross-builds it with MinGW-w64 into build/win32 (one static .exe), then
# drives its window under Wine on a private Xvfb display (tests/win32/drive_window.py), started
# from another folder with a copy of the model test as its argument, as when a folder is dropped
# onto it, and checks the bytes it wrote; then its error box on a broken shell, and for a folder
# argument that does not exist. Leaves screenshots of the window before saving and of the error
# boxes in build/win32 (window.png, error-box.png, missing-folder.png).
# Needs wine64, g++-mingw-w64-x86-64-posix, xvfb, xdotool, xclip, imagemagick.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build/win32"
wine=/usr/lib/wine/wine64

echo "== the Windows program, cross-built"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DEDITOR_WINDOW=OFF -DBUILD_TESTING=OFF -DEDITOR_WERROR=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
exe="$build/src/win32/test_editor.exe"
if x86_64-w64-mingw32-objdump -p "$exe" | grep "DLL Name" | grep -viE \
    'kernel32|user32|gdi32|gdiplus|shlwapi|ole32|msvcrt|comctl32|advapi32|shell32'; then
  echo "the program needs a DLL beyond the system's" >&2
  exit 1
fi

# The control table's places in twips, from the shared design, for the clicks.
c++ -std=c++20 -I"$here/src" "$here/tests/win32/ControlPlaces.cpp" "$here/src/window/Layout.cpp" \
  -o "$build/control-places"
"$build/control-places" >"$build/control-places.txt"

echo "== its window under Wine"
work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  WINEPREFIX="$build/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A display of its own; no window manager, so Wine draws the frame itself.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 display <&3 || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display" WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix is prepared on a display: one prepared without one showed no windows later.
if [ ! -f "$WINEPREFIX/.prepared" ]; then
  rm -rf "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  touch "$WINEPREFIX/.prepared"
fi
python3 "$here/tests/win32/drive_window.py" "$wine" "$exe" "$here/sample" "$work/shell" \
  "$build/control-places.txt" "$build/window.png"
