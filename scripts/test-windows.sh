#!/usr/bin/env bash
# The editor's core (no window) and its unit and fault tests built for Windows with MinGW-w64 as
# the program ships (32-bit, against Windows 7), then run under Wine's 32-bit loader in a 32-bit
# Wine that tells the programs it is Windows 7: the same sources as the Linux build, with the
# Windows disk. Installs the cross compiler and Wine on Debian 12 when they are missing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

bash scripts/setup.sh  # the cross compiler and Wine among the rest

build="$here/build/windows"
echo "== build for Windows (MinGW-w64)"
# A build folder configured when the program was 64-bit keeps its compiler: start it anew.
if grep -qs x86_64-w64-mingw32 "$build/CMakeCache.txt"; then rm -rf "$build"; fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
  -DEDITOR_WINDOW=OFF -DEDITOR_WERROR=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# A Wine of its own inside the build folder. Its server and services are started here, with
# their output going nowhere: a service started by a test would inherit the test's output and
# keep ctest waiting on it. Wine shows names starting with a dot as hidden unless told
# otherwise; Windows does not, and the editor's own work folders start with a dot.
wine=/usr/lib/wine/wine
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX="$build/wine32" WINEDEBUG=-all WINEARCH=win32
mkdir -p "$WINEPREFIX"
"$wineserver" -p >/dev/null 2>&1 </dev/null || true  # already running from an earlier run
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i >/dev/null 2>&1 </dev/null ||
  echo "test-windows: wineboot ended with status $?; going on" >&2
bash "$here/scripts/wine-windows7.sh" "$wine"
"$wine" reg add 'HKCU\Software\Wine' /v ShowDotFiles /d Y /f >/dev/null 2>&1 </dev/null || true
# Read back into a file, not a pipe, for the same reason as above.
"$wine" reg query 'HKCU\Software\Wine' /v ShowDotFiles >"$build/wine-dotfiles.txt" 2>/dev/null \
  </dev/null || true
if ! grep -q 'ShowDotFiles.*Y' "$build/wine-dotfiles.txt"; then
  echo "test-windows: Wine in $WINEPREFIX still hides names starting with a dot" >&2
  exit 1
fi

echo "== unit and fault tests under Wine"
rm -f "$build/fault-table.txt"
log="$build/ctest.log"
status=0
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" 2>&1 | tee "$log" || status=$?
echo "== under Wine: $(grep -Eo 'tests failed out of [0-9]+' "$log" | grep -Eo '[0-9]+$' || echo 0) tests ran"
[ "$status" -eq 0 ] || exit "$status"
echo "== under Wine, every change failed at each of its disk operations, then started again and closed:"
# Written by a Windows program in text mode, with CR LF line ends; printed as the Linux one is.
tr -d '\r' <"$build/fault-table.txt"
