#!/usr/bin/env bash
# Tells the Wine of $WINEPREFIX to be Windows 7 SP1, as the oldest system the Windows program
# runs on, and checks that it says so and that it is the Wine of the width asked for: its command
# processor, a program of the loader's width, names the processor x86 in a 32-bit Wine and AMD64
# in a 64-bit one.
# Usage: scripts/wine-windows7.sh WINE [32|64]   (32 when not given)
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/steps.sh"
wine="$1"
bits="${2:-32}"
"$wine" winecfg -v win7 >/dev/null 2>&1 </dev/null
# Into a file, not a pipe: a service Wine starts would keep a pipe open.
said="$WINEPREFIX/windows-version.txt"
"$wine" cmd /c 'ver & echo processor %PROCESSOR_ARCHITECTURE%' >"$said" 2>/dev/null </dev/null || true
grep -q '6\.1\.7601' "$said" || stop "$WINEPREFIX is not Windows 7 SP1, it says: $(tr -d '\r' <"$said")"
if [ "$bits" = 64 ]; then processor=AMD64; else processor=x86; fi
grep -q "^processor $processor"$'\r'"\?$" "$said" ||
  stop "$WINEPREFIX is not the $bits-bit Wine: it says $(tr -d '\r' <"$said" | grep processor)"
echo "wine: $(tr -d '\r' <"$said" | grep -m1 .), $bits-bit"
