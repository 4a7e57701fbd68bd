# Sourced by the scripts that build and run the Windows program: which Wine runs the Windows
# suites on this machine.
#
# The program ships as one 32-bit (i686) program and is tested under Wine's 32-bit loader. A
# kernel without 32-bit support (IA-32 emulation switched off) runs no 32-bit program at all:
# there the shipped program is still built and its imports checked, and every Windows suite runs
# on the same sources built for x86-64, under Wine's 64-bit loader, both Wines told to be
# Windows 7. Which kind of machine this is is found by trying the 32-bit loader once, never
# from the kernel's name or version.

# windows_width: sets
#   win_bits    32 or 64, the width of the build the suites run on
#   win_prefix  its compiler's prefix (i686-w64-mingw32, x86_64-w64-mingw32)
#   wine        its Wine loader; win_arch its WINEARCH (win32, win64)
#   win_suffix  "" or "64", after the names of its build folders (build/windows, build/windows64)
#   win_why     a line that says which build the suites run on, and why
# Stops the script when the 32-bit loader fails for another reason than the kernel's refusal.
windows_width() {
  local said status=0
  said="$(/usr/lib/wine/wine --version 2>&1 </dev/null)" || status=$?
  if [ "$status" -eq 0 ]; then
    win_bits=32 win_prefix=i686-w64-mingw32 wine=/usr/lib/wine/wine win_arch=win32 win_suffix=""
    win_why="this machine runs 32-bit programs: the Windows suites ran on the shipped 32-bit build, under the 32-bit Wine"
  elif [ "$status" -eq 126 ] || grep -q "Exec format error" <<<"$said"; then
    win_bits=64 win_prefix=x86_64-w64-mingw32 wine=/usr/lib/wine/wine64 win_arch=win64 win_suffix=64
    win_why="this machine runs no 32-bit programs: the Windows suites ran on the 64-bit build of the same sources; the 32-bit program was built and its imports checked"
  else
    echo "$(basename "$0"): Wine's 32-bit loader /usr/lib/wine/wine ended with status $status: $said" >&2
    exit 1
  fi
}

. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/windows-sources.sh"

# windows_build DIR BITS [cmake options]: configures and builds the sources for Windows of that
# width into DIR, which is made anew when it was configured for another width. Every width gets
# SQLite and Boost's headers from Debian's sources (scripts/windows-sources.sh), fetched and made
# once for all of them.
windows_build() {
  local dir="$1" bits="$2"
  shift 2
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx "EDITOR_WINDOWS_BITS:STRING=$bits" "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  windows_sources || { echo "$(basename "$0"): the Windows build's sources from Debian could not be had" >&2; return 1; }
  cmake -S "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)" -B "$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/cmake/mingw-w64.cmake" \
    -DEDITOR_WINDOWS_BITS="$bits" -DEDITOR_WERROR=ON "${win_source_options[@]}" "$@" >/dev/null
  cmake --build "$dir" --parallel "$(nproc)"
}
