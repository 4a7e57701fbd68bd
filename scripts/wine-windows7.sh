#!/usr/bin/env bash
# Tells the Wine of $WINEPREFIX to be Windows 7 SP1, as the oldest system the Windows program
# runs on, and checks that it says so and that it is the Wine of the width asked for (a 32-bit
# Wine has no folder for 32-bit programs beside its 64-bit ones, a 64-bit one has).
# Usage: scripts/wine-windows7.sh WINE [32|64]   (32 when not given)
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/steps.sh"
wine="$1"
bits="${2:-32}"
"$wine" winecfg -v win7 >/dev/null 2>&1 </dev/null
# Into a file, not a pipe: a service Wine starts would keep a pipe open.
said="$WINEPREFIX/windows-version.txt"
"$wine" cmd /c ver >"$said" 2>/dev/null </dev/null || true
grep -q '6\.1\.7601' "$said" || stop "$WINEPREFIX is not Windows 7 SP1, it says: $(tr -d '\r' <"$said")"
if [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then found=64; else found=32; fi
[ "$found" = "$bits" ] || stop "$WINEPREFIX is a $found-bit Wine, not the $bits-bit one"
echo "wine: $(tr -d '\r' <"$said" | grep -m1 .), $bits-bit"
