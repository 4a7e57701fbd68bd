#!/usr/bin/env bash
# The Windows program as it ships: cross-builds it with MinGW-w64 into build/win32 (one static
# 32-bit .exe, built against Windows 7) and checks that it imports nothing Windows 7 SP1 lacks
# (tests/win32/check_imports.py). Then, under Wine told to be Windows 7, on a private Xvfb
# display: drives its window (tests/win32/drive_window.py), started from another folder with a
# copy of the model test as its argument, as when a folder is dropped onto it, and checks the
# bytes it wrote; then its error box on a broken shell, and for a folder argument that does not
# exist; then, at 96, 120 and 144 DPI (100, 125 and 150 %), the DPI and frame found as Windows 7,
# 8.1 and 10 find them (tests/win32/DpiCheck.cpp) and the window's size and fonts.
# The window is driven in the shipped 32-bit program under Wine's 32-bit loader; on a machine
# that runs no 32-bit program, in the same sources built for x86-64 (build/win64, its imports
# checked too) under the 64-bit loader (scripts/windows.sh).
# Leaves screenshots in the build folder of the program driven: window.png (before saving),
# error-box.png, missing-folder.png, window-96.png, window-120.png, window-144.png; of the test as
# a whole: printed.pdf, check-clean.png, folder-dialog.png, other-test.png, check-list.png; of a
# lesson: lesson.png (its window with a result posted on the loopback) and lesson-class.png (with
# the rows of five pupils who took the test in the host's headless Chromium at the lesson's
# address, tests/browser/lesson-pupils.mjs; their scores then checked in the lesson's store).
# Needs wine32 (and wine64), MinGW-w64, xvfb, xdotool, xclip, imagemagick, chromium and
# poppler-utils (scripts/setup.sh).
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/steps.sh"
. "$here/scripts/display.sh"
. "$here/scripts/windows.sh"
windows_width

step "the Windows program, cross-built (32-bit, as it ships)"
windows_build "$here/build/win32" 32 -DCMAKE_BUILD_TYPE=Release -DEDITOR_WINDOW=OFF -DBUILD_TESTING=OFF
python3 "$here/tests/win32/check_imports.py" "$here/build/win32/src/win32/test_editor.exe" \
  "$here/build/win32/newer-than-windows7.txt"
build="$here/build/win$win_bits"
if [ "$win_bits" = 64 ]; then
  step "the same sources built for x86-64, for the window's tests under the 64-bit Wine"
  windows_build "$build" 64 -DCMAKE_BUILD_TYPE=Release -DEDITOR_WINDOW=OFF -DBUILD_TESTING=OFF
  python3 "$here/tests/win32/check_imports.py" --bits 64 "$build/src/win32/test_editor.exe"
fi
exe="$build/src/win32/test_editor.exe"

# The control table's places in twips, from the shared design, for the clicks.
control_places "$build"
# The DPI check, with the program's manifest so that Wine gives it the same DPI awareness.
printf '1 24 "%s"\n' "$here/src/win32/editor.manifest" >"$build/dpi-check.rc"
"$win_prefix-windres" "$build/dpi-check.rc" -O coff -o "$build/dpi-check.res"
"$win_prefix-g++-posix" -std=c++20 -municode -static -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 \
  -I"$here/src" "$here/tests/win32/DpiCheck.cpp" "$here/src/win32/Dpi.cpp" "$build/dpi-check.res" \
  -lgdi32 -o "$build/dpi-check.exe"

step "its window under the $win_bits-bit Wine"
work_folder 'WINEPREFIX="$build/wine$win_bits" /usr/lib/wine/wineserver -k 2>/dev/null'
# A display of its own, wide enough for the window at 150 %; no window manager, so Wine draws
# the frame itself.
own_display 1600x1200x24 "$work/xvfb.log"
export DISPLAY=":$display" WINEPREFIX="$build/wine$win_bits" WINEARCH="$win_arch" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix is prepared on a display: one prepared without one showed no windows later.
if [ ! -f "$WINEPREFIX/.prepared" ]; then
  rm -rf "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1 || echo "test-win32-window: wineboot ended with status $?; the prefix is checked next" >&2
  /usr/lib/wine/wineserver -w
  touch "$WINEPREFIX/.prepared"
fi
bash "$here/scripts/wine-windows7.sh" "$wine" "$win_bits"
# The screen's DPI, as Windows' display setting of 100, 125 or 150 % sets it.
screen_dpi() {
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 </dev/null
}
screen_dpi 96
# The lesson's pupils are the browser tests' own, in Node with playwright-core.
if [ ! -d "$here/tests/browser/node_modules/playwright-core" ]; then
  (cd "$here/tests/browser" && npm ci --no-audit --no-fund --loglevel=error)
fi
python3 "$here/tests/win32/drive_window.py" "$wine" "$exe" "$here/sample" "$work/shell" \
  "$build/control-places.txt" "$build/window.png"
for dpi in 96 120 144; do
  step "the window at $dpi DPI"
  screen_dpi "$dpi"
  status=0
  "$wine" "$build/dpi-check.exe" "$dpi" >"$build/dpi-check.txt" 2>&1 </dev/null || status=$?
  tr -d '\r' <"$build/dpi-check.txt"
  [ "$status" -eq 0 ] || stop "the DPI check at $dpi DPI ended with status $status"
  python3 "$here/tests/win32/drive_window.py" "$wine" "$exe" "$here/sample" "$work/shell" \
    "$build/control-places.txt" "$build/window-$dpi.png" "$dpi"
done
screen_dpi 96
echo "test-win32-window: $win_why"
