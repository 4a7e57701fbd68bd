#!/usr/bin/env bash
# Writes the Linux editor as a folder that runs without installing anything: the program, qt.conf,
# and under the dot folder .test_editor every library and Qt plugin it loads beyond the C library
# and the X11 and OpenGL libraries that every desktop has (Qt 6, the xcb platform plugin, the GIF
# plugin and their own libraries: ICU, the xcb helpers, xkbcommon, ...), all taken from this
# Debian's own packages. The program finds its libraries by RUNPATH $ORIGIN, Qt its plugins by
# qt.conf. A folder whose name begins with a dot is no part of a test to the editor, so the
# folder's contents can also sit in a test's root, the program beside 1.js.
#
#   scripts/linux-folder.sh PROGRAM FOLDER
#
# FOLDER gets test_editor, qt.conf, .test_editor/{lib,plugins}, .test_editor/bundled.txt (what
# was bundled, from which package) and .test_editor/glibc.txt (the newest glibc symbol version
# that any file of the folder asks for: the oldest glibc it runs on).
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
program="$1"
out="$2"
plugins_from="$(qtpaths6 --query QT_INSTALL_PLUGINS)"
# Plugins the window loads: the X11 platform and the decoder of the question pictures.
plugins=(platforms/libqxcb.so imageformats/libqgif.so)
# Left to the system: the C library, X11 and OpenGL (libglvnd), found on every Linux desktop.
system='^(ld-linux-x86-64|libc|libm|libdl|libpthread|librt|libutil|libresolv|libX11|libX11-xcb|libxcb|libXau|libXdmcp|libXext|libXrender|libSM|libICE|libGL|libGLX|libEGL|libOpenGL|libGLdispatch)\.so'

mkdir -p "$out/.test_editor/lib"
strip -o "$out/test_editor" "$program"
for p in "${plugins[@]}"; do
  mkdir -p "$out/.test_editor/plugins/$(dirname "$p")"
  strip -o "$out/.test_editor/plugins/$p" "$plugins_from/$p"
done

# The libraries, by what each file needs in turn, as this system resolves the names; the walk
# stops at the system's own libraries.
declare -A seen=()
queue=("$out/test_editor")
for p in "${plugins[@]}"; do queue+=("$out/.test_editor/plugins/$p"); done
: >"$out/.test_editor/bundled.txt"
while [ ${#queue[@]} -gt 0 ]; do
  file="${queue[0]}"
  queue=("${queue[@]:1}")
  resolved="$(ldd "$file")"
  for name in $(objdump -p "$file" | awk '$1 == "NEEDED" {print $2}'); do
    [[ "$name" =~ $system ]] && continue
    [ -n "${seen[$name]:-}" ] && continue
    seen[$name]=1
    path="$(awk -v n="$name" '$1 == n && $2 == "=>" {print $3}' <<<"$resolved")"
    case "$path" in
      /*) ;;
      *) echo "linux-folder: $file needs $name, which this system does not have" >&2; exit 1 ;;
    esac
    real="$(readlink -f "$path")"
    cp "$real" "$out/.test_editor/lib/$name"
    # dpkg knows some files by their path before /usr was merged.
    package="$(dpkg -S "$real" 2>/dev/null || dpkg -S "${real#/usr}" 2>/dev/null || true)"
    echo "$name ${package%%:*}" >>"$out/.test_editor/bundled.txt"
    queue+=("$out/.test_editor/lib/$name")
  done
done

# Each file finds its libraries beside it or in the folder's lib: RUNPATH applies to a file's
# own needs only, so every file carries one.
patchelf --set-rpath '$ORIGIN/.test_editor/lib' "$out/test_editor"
for f in "$out"/.test_editor/lib/*; do patchelf --set-rpath '$ORIGIN' "$f"; done
for p in "${plugins[@]}"; do patchelf --set-rpath '$ORIGIN/../../lib' "$out/.test_editor/plugins/$p"; done
printf '[Paths]\nPrefix = .test_editor\nPlugins = plugins\n' >"$out/qt.conf"
sort -o "$out/.test_editor/bundled.txt" "$out/.test_editor/bundled.txt"

# The oldest glibc the folder runs on: the newest GLIBC_ version any of its files asks for.
find "$out" -type f -exec sh -c 'objdump -T "$1" 2>/dev/null' _ {} \; |
  grep -o 'GLIBC_[0-9][0-9.]*' | sort -uV | tail -1 | sed 's/GLIBC_//' >"$out/.test_editor/glibc.txt"
echo "linux-folder: $(wc -l <"$out/.test_editor/bundled.txt") libraries, needs glibc $(cat "$out/.test_editor/glibc.txt")"
