# Sourced by the scripts that build the Windows program: the libraries it links statically and
# that MinGW-w64 has no Debian package of (SQLite, libxlsxwriter, giflib) are built from Debian's
# own source packages, fetched once into build/sources (kept between runs; a clean clone fetches them again).
#
# windows_sources: sets
#   win_sqlite  a folder with sqlite3.c and sqlite3.h (the amalgamation, made from Debian's
#               sqlite3 source package by its own build: configure, then make sqlite3.c), of the
#               version the Linux build links (libsqlite3-0), or the archive's when that is not
#               installed
#   win_boost   a folder whose boost/ is Debian's Boost headers (header-only Asio and Beast,
#               libboost1.81-dev), without the rest of /usr/include, which is the build
#               machine's and not Windows'
#   win_xlsxwriter  Debian's libxlsxwriter source package unpacked (include/, src/, third_party/
#               with its minizip), of the version the Linux build links (libxlsxwriter-dev), built
#               by the Windows build itself on the static zlib of libz-mingw-w64-dev
#   win_giflib  a folder with giflib's sources (gif_lib.h, egif_lib.c, ...), Debian's giflib
#               source package of the version the Linux build links (libgif7), or the archive's,
#               with Debian's patches applied; src/pictures builds it into the program
#   win_source_options  the CMake options that hand them to a Windows build
# Needs dpkg-dev (dpkg-source), tcl (tclsh, for the amalgamation), a host C compiler and
# libz-mingw-w64-dev (scripts/setup.sh). Returns 1, saying why on the error output, when a source
# cannot be had.

sources_here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sources_dir="$sources_here/build/sources"

# deb-src entries for the Debian archives the machine's deb entries name, so that apt-get source
# fetches from the machine's own mirror.
debian_source_entries() {
  local list=/etc/apt/sources.list.d/test-editor-sources.sources sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if apt-get source --print-uris sqlite3 >/dev/null 2>&1; then return 0; fi
  local made
  made="$(mktemp)"
  if ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
    # deb822 stanzas: every enabled one of Types deb, with its Types made deb-src.
    awk 'BEGIN{RS=""; ORS="\n\n"} /(^|\n)Types:[ \t]+deb([ \t\n]|$)/ && /(^|\n)URIs:[^\n]*debian/ && !/(^|\n)Enabled: *no/ {
           gsub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
      /etc/apt/sources.list.d/*.sources | grep -v '^#' >"$made" || true
  fi
  if [ ! -s "$made" ] && [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list >"$made"
    list=/etc/apt/sources.list.d/test-editor-sources.list
  fi
  if [ ! -s "$made" ]; then
    rm -f "$made"
    echo "windows-sources: the machine names no Debian archive to fetch sources from" >&2
    return 1
  fi
  $sudo cp "$made" "$list"
  rm -f "$made"
  $sudo apt-get -o DPkg::Lock::Timeout=600 update >/dev/null
}

# debian_source PACKAGE [VERSION]: the unpacked source of a Debian package (of that version,
# when given), in build/sources/PACKAGE; fetched again when another version is asked for.
debian_source() {
  local package="$1" version="${2:-}" dir="$sources_dir"
  local marker="$dir/$package/.unpacked"
  if [ ! -f "$marker" ] || { [ -n "$version" ] && [ "$(cat "$marker")" != "$version" ]; }; then
    debian_source_entries || return 1
    # A version the archive has dropped (a newer update came out): the archive's own is taken.
    if [ -n "$version" ] && ! apt-get source --print-uris "$package=$version" >/dev/null 2>&1; then
      echo "windows-sources: the archive no longer has $package $version; its newest is taken" >&2
      version=""
      if [ -f "$marker" ]; then
        echo "$dir/$package"
        return 0
      fi
    fi
    local wanted="$package${version:+=$version}"
    rm -rf "$dir/$package" "$dir/fetch-$package"
    mkdir -p "$dir/fetch-$package"
    if ! (cd "$dir/fetch-$package" && apt-get source --download-only "$wanted" &&
          dpkg-source --no-check --no-copy -x ./*.dsc "$dir/$package") >"$dir/fetch-$package.log" 2>&1; then
      tail -n 20 "$dir/fetch-$package.log" >&2
      echo "windows-sources: Debian's source package $wanted could not be fetched (the log: $dir/fetch-$package.log)" >&2
      return 1
    fi
    rm -rf "$dir/fetch-$package" "$dir/fetch-$package.log"
    # The version unpacked, from the package's own changelog.
    (cd "$dir/$package" && dpkg-parsechangelog -S Version) >"$marker"
  fi
  echo "$dir/$package"
}

# The version of an installed package, or nothing.
installed_version() {
  dpkg-query -W -f='${Status} ${Version}\n' "$1" 2>/dev/null | sed -n 's/^install ok installed //p'
}

# The version of the source package an installed package was built from (without a rebuild's
# "+b1"), or nothing.
installed_source_version() {
  dpkg-query -W -f='${Status} ${source:Version}\n' "$1" 2>/dev/null | sed -n 's/^install ok installed //p'
}

windows_sources() {
  local sqlite_source version
  version="$(installed_version libsqlite3-0)"
  sqlite_source="$(debian_source sqlite3 "$version")" || return 1
  win_sqlite="$sources_dir/sqlite3-amalgamation"
  # Made again when the source is another version than the one it was made from.
  if [ ! -f "$win_sqlite/sqlite3.c" ] || [ ! -f "$win_sqlite/sqlite3.h" ] ||
     ! cmp -s "$sqlite_source/.unpacked" "$win_sqlite/source-version"; then
    # The amalgamation is made by the package's own build, with the machine's compiler and
    # tclsh, in a folder of its own; the result is moved into place whole.
    local work="$win_sqlite.build"
    rm -rf "$work" "$win_sqlite.new" && mkdir -p "$work" "$win_sqlite.new"
    if ! (cd "$work" && "$sqlite_source/configure" && make sqlite3.c) >"$work.log" 2>&1; then
      tail -n 20 "$work.log" >&2
      echo "windows-sources: SQLite's amalgamation could not be made from $sqlite_source (the log: $work.log)" >&2
      return 1
    fi
    cp "$work/sqlite3.c" "$work/sqlite3.h" "$win_sqlite.new/"
    cp "$sqlite_source/.unpacked" "$win_sqlite.new/source-version"
    rm -rf "$win_sqlite" "$work" "$work.log"
    mv "$win_sqlite.new" "$win_sqlite"
  fi
  if [ ! -f /usr/include/boost/asio.hpp ] || [ ! -f /usr/include/boost/beast.hpp ]; then
    echo "windows-sources: Debian's Boost headers (libboost1.81-dev) are not installed" >&2
    return 1
  fi
  win_boost="$sources_dir/boost-include"
  mkdir -p "$win_boost"
  ln -sfn /usr/include/boost "$win_boost/boost"
  win_xlsxwriter="$(debian_source libxlsxwriter "$(installed_source_version libxlsxwriter-dev)")" || return 1
  if [ ! -f /usr/i686-w64-mingw32/lib/libz.a ] || [ ! -f /usr/x86_64-w64-mingw32/lib/libz.a ]; then
    echo "windows-sources: Debian's zlib for MinGW-w64 (libz-mingw-w64-dev) is not installed" >&2
    return 1
  fi
  win_giflib="$(debian_source giflib "$(installed_version libgif7)")" || return 1
  if [ ! -f "$win_giflib/gif_lib.h" ] || [ ! -f "$win_giflib/egif_lib.c" ]; then
    echo "windows-sources: $win_giflib holds no gif_lib.h and egif_lib.c" >&2
    return 1
  fi
  win_source_options=(-DEDITOR_SQLITE_SOURCE="$win_sqlite" -DEDITOR_BOOST_INCLUDE="$win_boost"
                      -DEDITOR_XLSXWRITER_SOURCE="$win_xlsxwriter" -DEDITOR_GIFLIB_SOURCE="$win_giflib")
}
