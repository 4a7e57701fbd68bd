#!/usr/bin/env bash
# Writes the Linux editor as a folder that runs without installing anything, on any x86-64 Linux
# with an X display: the launcher test_editor and, under the dot folder .test_editor, the program
# itself, every library and Qt plugin it loads beyond the X11, xcb and OpenGL libraries that every
# desktop has (Qt 6, the xcb platform plugin, the GIF plugin and their own libraries: ICU, the xcb
# helpers, xkbcommon, ...), the C library with its loader, the window's fonts and Qt's Russian
# words (its file dialogs, the fields' menus, the boxes' buttons), all taken from this Debian's
# own packages.
#
# The launcher is a static program (src/launcher): the system's loader starts it whatever C
# library the system has, and it starts the program through the folder's loader. Nothing of the
# system's C library is loaded then: the program asks for every library of the C library that a
# system library may ask for, so that each is the folder's by the time one does; the program and
# the folder's libraries find theirs by RUNPATH $ORIGIN, Qt its plugins and its translations by
# the qt.conf beside the loader (Qt takes the loader for the program). A folder whose name begins with a dot is no part of
# a test to the editor, so the folder's contents can also sit in a test's root, beside 1.js.
#
#   scripts/linux-folder.sh PROGRAM LAUNCHER FOLDER
#
# FOLDER gets test_editor (the launcher), .test_editor/{test_editor,lib,plugins,fonts,translations},
# .test_editor/bundled.txt (what was bundled, from which package) and .test_editor/glibc.txt (the
# version of the C library carried).
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
program="$1"
launcher="$2"
out="$3"
plugins_from="$(qtpaths6 --query QT_INSTALL_PLUGINS)"
# Plugins the window loads: the X11 platform and the decoder of the question pictures.
plugins=(platforms/libqxcb.so imageformats/libqgif.so)
# Left to the system: X11, xcb and OpenGL (libglvnd), found on every Linux desktop.
system='^(libX11|libX11-xcb|libxcb|libXau|libXdmcp|libXext|libXrender|libSM|libICE|libGL|libGLX|libEGL|libGLdispatch)\.so'
# The C library: carried whole, every library of it that a program or a system library asks for
# (not its name-service modules, which the editor never reaches), with its loader.
glibc=(ld-linux-x86-64.so.2 libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1 libutil.so.1
  libresolv.so.2 libanl.so.1)
glibc_names="^($(IFS='|'; echo "${glibc[*]//./\\.}"))\$"
# Qt asks libOpenGL.so.0 only for glGetString and glGetIntegerv, which libGL.so.1 has as well;
# libOpenGL.so.0 is not on every desktop, libGL.so.1 is.
replaced=(libOpenGL.so.0 libGL.so.1)
# The window's fonts: Liberation Sans, regular and bold, under the SIL Open Font License.
fonts=(/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
  /usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf)
# Qt's own words in Russian (qt6-translations-l10n), which the program loads from the folder
# Qt names its translations folder: here, by the qt.conf below, .test_editor/translations.
translations=("$(qtpaths6 --query QT_INSTALL_TRANSLATIONS)/qtbase_ru.qm")

rm -f "$out/qt.conf"  # a folder of the download before the launcher had one here
mkdir -p "$out/.test_editor/lib" "$out/.test_editor/fonts" "$out/.test_editor/translations"
strip -o "$out/test_editor" "$launcher"
strip -o "$out/.test_editor/test_editor" "$program"
for p in "${plugins[@]}"; do
  mkdir -p "$out/.test_editor/plugins/$(dirname "$p")"
  strip -o "$out/.test_editor/plugins/$p" "$plugins_from/$p"
done

needed() { objdump -p "$1" | awk '$1 == "NEEDED" {print $2}'; }
package_of() {
  # dpkg knows some files by their path before /usr was merged.
  local package
  package="$(dpkg -S "$1" 2>/dev/null || dpkg -S "${1#/usr}" 2>/dev/null || true)"
  echo "${package%%:*}"
}

# The libraries, by what each file needs in turn, as this system resolves the names; the walk
# stops at the system's own libraries and at the C library, carried whole below.
declare -A seen=()
queue=("$out/.test_editor/test_editor")
for p in "${plugins[@]}"; do queue+=("$out/.test_editor/plugins/$p"); done
: >"$out/.test_editor/bundled.txt"
while [ ${#queue[@]} -gt 0 ]; do
  file="${queue[0]}"
  queue=("${queue[@]:1}")
  resolved="$(ldd "$file")"
  for name in $(needed "$file"); do
    [[ "$name" =~ $system || "$name" =~ $glibc_names || "$name" == "${replaced[0]}" ]] && continue
    [ -n "${seen[$name]:-}" ] && continue
    seen[$name]=1
    path="$(awk -v n="$name" '$1 == n && $2 == "=>" {print $3}' <<<"$resolved")"
    case "$path" in
      /*) ;;
      *) echo "linux-folder: $file needs $name, which this system does not have" >&2; exit 1 ;;
    esac
    real="$(readlink -f "$path")"
    cp "$real" "$out/.test_editor/lib/$name"
    echo "$name $(package_of "$real")" >>"$out/.test_editor/bundled.txt"
    queue+=("$out/.test_editor/lib/$name")
  done
done

# The C library, from where this system's libc.so.6 is, as it is (its loader is not to be
# touched by patchelf).
c_library="$(dirname "$(readlink -f "$(ldd "$program" | awk '$1 == "libc.so.6" {print $3}')")")"
for name in "${glibc[@]}"; do
  real="$(readlink -f "$c_library/$name")"
  cp "$real" "$out/.test_editor/lib/$name"
  echo "$name $(package_of "$real")" >>"$out/.test_editor/bundled.txt"
done

# Each file finds its libraries beside it or in the folder's lib: RUNPATH applies to a file's
# own needs only, so every file carries one. The program asks for the whole C library first.
patchelf --set-rpath '$ORIGIN/lib' "$out/.test_editor/test_editor"
asks="$(needed "$out/.test_editor/test_editor")"
for name in "${glibc[@]:1}"; do
  grep -qxF "$name" <<<"$asks" || patchelf --add-needed "$name" "$out/.test_editor/test_editor"
done
for f in "$out"/.test_editor/lib/*; do
  name="$(basename "$f")"
  [[ "$name" =~ $glibc_names ]] && continue
  patchelf --set-rpath '$ORIGIN' "$f"
  if grep -qxF "${replaced[0]}" <<<"$(needed "$f")"; then
    patchelf --replace-needed "${replaced[0]}" "${replaced[1]}" "$f"
  fi
done
for p in "${plugins[@]}"; do patchelf --set-rpath '$ORIGIN/../../lib' "$out/.test_editor/plugins/$p"; done
# Qt reads qt.conf beside the program it takes itself to be: the loader.
printf '[Paths]\nPrefix = ..\nPlugins = plugins\nTranslations = translations\n' >"$out/.test_editor/lib/qt.conf"

for font in "${fonts[@]}"; do
  cp "$font" "$out/.test_editor/fonts/"
  echo "$(basename "$font") $(package_of "$font")" >>"$out/.test_editor/bundled.txt"
done
cp /usr/share/doc/fonts-liberation2/copyright "$out/.test_editor/fonts/LICENSE.txt"
for file in "${translations[@]}"; do
  cp "$file" "$out/.test_editor/translations/"
  echo "$(basename "$file") $(package_of "$file")" >>"$out/.test_editor/bundled.txt"
done
sort -o "$out/.test_editor/bundled.txt" "$out/.test_editor/bundled.txt"

# What the folder asks of the system: the launcher nothing (a static program has no loader);
# every other file only the carried C library's versions and the desktop's own libraries.
if grep -qE "^ +(INTERP|DYNAMIC) " <<<"$(readelf -lW "$out/test_editor")"; then
  echo "linux-folder: the launcher is not a static program" >&2
  exit 1
fi
version="$(getconf GNU_LIBC_VERSION | awk '{print $2}')"
newest="$(find "$out/.test_editor" -type f -exec sh -c 'objdump -T "$1" 2>/dev/null' _ {} \; |
  grep -o 'GLIBC_[0-9][0-9.]*' | sort -uV | tail -1 | sed 's/GLIBC_//')"
if [ "$(printf '%s\n%s\n' "$newest" "$version" | sort -V | tail -1)" != "$version" ]; then
  echo "linux-folder: a file asks for glibc $newest, newer than the $version carried" >&2
  exit 1
fi
carried="$(sed 's/ .*//' "$out/.test_editor/bundled.txt")"
for f in "$out/.test_editor/test_editor" "$out"/.test_editor/lib/*.so* "$out"/.test_editor/plugins/*/*.so; do
  for name in $(needed "$f"); do
    if ! [[ "$name" =~ $system ]] && ! grep -qxF "$name" <<<"$carried"; then
      echo "linux-folder: $f needs $name, neither carried nor on every desktop" >&2
      exit 1
    fi
  done
done
echo "$version" >"$out/.test_editor/glibc.txt"
echo "linux-folder: $(wc -l <"$out/.test_editor/bundled.txt") files bundled, the C library glibc $version" \
  "(its files ask for $newest at most)"
