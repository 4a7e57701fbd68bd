#!/usr/bin/env bash
# Tells the Wine of $WINEPREFIX to be Windows 7 SP1, as the oldest system the Windows program
# runs on, and checks that it says so and that it is a 32-bit Wine (no 64-bit system folder).
# Usage: scripts/wine-windows7.sh WINE
set -euo pipefail
wine="$1"
"$wine" winecfg -v win7 >/dev/null 2>&1 </dev/null
# Into a file, not a pipe: a service Wine starts would keep a pipe open.
said="$WINEPREFIX/windows-version.txt"
"$wine" cmd /c ver >"$said" 2>/dev/null </dev/null || true
if ! grep -q '6\.1\.7601' "$said"; then
  echo "wine: $WINEPREFIX is not Windows 7 SP1, it says: $(tr -d '\r' <"$said")" >&2
  exit 1
fi
if [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  echo "wine: $WINEPREFIX is a 64-bit Wine, not the 32-bit one" >&2
  exit 1
fi
echo "wine: $(tr -d '\r' <"$said" | grep -m1 .), 32-bit"
