#!/usr/bin/env bash
# The editor's core (no window) and its unit, fault and power-cut tests (the pictures made from
# images among them), the lesson's (its server on the loopback, its SQLite store) and its
# results' (the spreadsheet by libxlsxwriter, read back by Python on this machine), built for
# Windows with MinGW-w64 against Windows 7, then run under Wine told to be Windows 7: the same
# sources as the Linux build, with the Windows disk, whose flushes and renames the power-cut test
# records, and SQLite, Boost's headers, libxlsxwriter and giflib from Debian's sources
# (scripts/windows-sources.sh).
# Built 32-bit, as the program ships, and run under Wine's 32-bit loader; on a machine that runs
# no 32-bit program, built for x86-64 and run under the 64-bit loader (scripts/windows.sh).
# Installs the cross compiler and Wine on Debian 12 when missing.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/steps.sh"
. "$here/scripts/windows.sh"
cd "$here"

bash scripts/setup.sh  # the cross compiler and Wine among the rest
windows_width

build="$here/build/windows$win_suffix"
step "the core and its tests built for Windows ($win_bits-bit, MinGW-w64, against Windows 7)"
windows_build "$build" "$win_bits" -DEDITOR_WINDOW=OFF
# The lesson's sockets and SQLite, and the results' libxlsxwriter and zlib, import nothing
# Windows 7 SP1 lacks (the shipped program is checked by test-win32-window.sh).
python3 "$here/tests/win32/check_imports.py" --bits "$win_bits" "$build/tests/lesson_tests.exe"
python3 "$here/tests/win32/check_imports.py" --bits "$win_bits" "$build/tests/results_tests.exe"

# A Wine of its own inside the build folder. Its server and services are started here, with
# their output going nowhere: a service started by a test would inherit the test's output and
# keep ctest waiting on it. Wine shows names starting with a dot as hidden unless told
# otherwise; Windows does not, and the editor's own work folders start with a dot.
step "a $win_bits-bit Wine set to be Windows 7, in $build/wine$win_bits"
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX="$build/wine$win_bits" WINEDEBUG=-all WINEARCH="$win_arch"
mkdir -p "$WINEPREFIX"
"$wineserver" -p >/dev/null 2>&1 </dev/null || true  # already running from an earlier run
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
# wineboot ends with a status of its own now and then although the prefix is made; whether it
# is usable is checked right after.
WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1 </dev/null ||
  echo "test-windows: wineboot ended with status $?; the prefix is checked next" >&2
bash "$here/scripts/wine-windows7.sh" "$wine" "$win_bits"
"$wine" reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >/dev/null 2>&1 </dev/null || true
# Read back into a file, not a pipe, for the same reason as above.
"$wine" reg query 'HKCU\Software\Wine' /v ShowDotFiles >"$build/wine-dotfiles.txt" 2>/dev/null \
  </dev/null || true
grep -q 'ShowDotFiles.*Y' "$build/wine-dotfiles.txt" ||
  stop "Wine in $WINEPREFIX still hides names starting with a dot"

step "unit and fault tests under Wine ($win_bits-bit)"
rm -rf "$build/fault-table"
log="$build/ctest.log"
status=0
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" 2>&1 | tee "$log" || status=$?
ran="$(grep -Eo 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | grep -Eo '[0-9]+$' || echo 0)"
echo "== under Wine ($win_bits-bit): $ran tests ran"
[ "$status" -eq 0 ] || stop "$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" || echo "ctest ended with status $status")"
[ "$ran" -gt 0 ] || stop "no test ran under Wine"
grep -q 'PowerCut\..*Passed' "$log" || stop "the power-cut test of the Windows disk did not run under Wine"
grep -q 'LessonServer\..*Passed' "$log" && grep -q 'Store\.LessonsAndResults.*Passed' "$log" ||
  stop "the lesson's server and store tests did not run under Wine"
# The results' files written under Wine (Cyrillic names, libxlsxwriter built here) and read back
# by Python on this machine.
grep -q 'Export\.FilesAreWritten.*Passed' "$log" && grep -q 'Results\.ReadBackByPython.*Passed' "$log" ||
  stop "the results' export tests did not run under Wine, or Python did not read their files back"
# The pictures, made by the giflib built from Debian's sources, read back by it, and added to a
# test through the Windows disk.
grep -q 'PictureGif\..*Passed' "$log" && grep -q 'PictureFromFile\..*Passed' "$log" &&
  grep -q 'NewPicture\..*Passed' "$log" || stop "the pictures' tests did not run under Wine"
echo "== under Wine ($win_bits-bit), every change failed at each of its disk operations, then started again and closed:"
fault_table "$build"
echo "test-windows: $win_why"
