#!/usr/bin/env bash
# The Linux download on a computer where Qt was never installed: unpacks the tarball and, where
# this machine's Qt 6 libraries and plugins cannot be found (scripts/without-qt.sh, a mount
# namespace), checks with ldd that the program and its plugins find every library, every Qt one
# inside the folder; then on a private Xvfb display drives the real program
# (tests/win32/drive_window.py with WINE "-"): started with no argument, it opens the model test
# it sits in; started from another folder with a copy of the model test as its argument, it edits
# that copy (exactly line 9 of 2/3.html and line 56 of 1.js change); then its error boxes. The
# loader's own record (LD_DEBUG=libs) of those runs must show every Qt library and plugin loaded
# from inside the folder. Screenshots and logs go to build/linux-folder.
#
#   scripts/test-linux-folder.sh TARBALL
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/display.sh"
tarball="$(realpath "$1")"
out="$here/build/linux-folder"

if [ -z "${LINUX_FOLDER_WITHOUT_QT:-}" ]; then
  LINUX_FOLDER_WITHOUT_QT=1 exec bash "$here/scripts/without-qt.sh" bash "${BASH_SOURCE[0]}" "$@"
fi

rm -rf "$out"
mkdir -p "$out"
work_folder
tar -C "$work" -xzf "$tarball"
folder="$work/test"
program="$folder/test_editor"

echo "== without Qt: $(ls /usr/lib/x86_64-linux-gnu | grep -ci qt6) Qt 6 entries in the system's library folder"
for file in "$program" "$folder"/.test_editor/plugins/*/*.so; do
  found="$(ldd "$file")"
  if grep -q "not found" <<<"$found"; then
    echo "$file: a library is not found:" >&2
    grep "not found" <<<"$found" >&2
    exit 1
  fi
  for path in $(awk 'tolower($1) ~ /qt6/ {print $3}' <<<"$found"); do
    case "$(realpath "$path")" in
      "$folder"/.test_editor/lib/*) ;;
      *) echo "$file: $path, a Qt library from outside the folder" >&2; exit 1 ;;
    esac
  done
done
echo "ldd: the program and its plugins find every library, every Qt one in the folder:"
ldd "$program" | grep -i qt6

# The control table's places in twips, from the shared design, for the clicks.
control_places "$work"

own_display 1280x1024x24 "$out/xvfb.log"
mkdir "$out/ld"
DISPLAY=":$display" LD_DEBUG=libs LD_DEBUG_OUTPUT="$out/ld/run" \
  python3 "$here/tests/win32/drive_window.py" - "$program" "$here/sample" "$work/shell" \
  "$work/control-places.txt" "$out/window.png"

# What the loader loaded into the editor's runs, by its own record.
loaded="$(grep -l "transferring control: $program" "$out"/ld/run.* | xargs grep -h "calling init:" |
  awk '{print $NF}' | sort -u)"
outside="$(grep -v "^$folder/" <<<"$loaded" || true)"
if grep -iE 'qt6|/plugins/' <<<"$outside"; then
  echo "LD_DEBUG: the editor loaded a Qt library or plugin from outside its folder" >&2
  exit 1
fi
for name in libQt6Core.so.6 libQt6Gui.so.6 libQt6Widgets.so.6 libQt6XcbQpa.so.6 libqxcb.so libqgif.so; do
  if ! grep -q "^$folder/.*/$name\$" <<<"$loaded"; then
    echo "LD_DEBUG: $name was not loaded from the folder" >&2
    exit 1
  fi
done
echo "LD_DEBUG: $(grep -c "^$folder/" <<<"$loaded") libraries and plugins loaded from the folder, among them:"
grep -E 'libQt6|libq(xcb|gif)' <<<"$loaded" | sed "s|^$work/||"
echo "LD_DEBUG: from the system: $(sed 's|.*/||' <<<"$outside" | sort -u | tr '\n' ' ')"
rm -rf "$out/ld"

# "Open with": the entry that установить.sh writes, for a folder with the characters that need
# escaping in its path, started as a file manager starts it (gio launch) on a folder holding no
# test: the program receives that folder whole, as its one argument, and shows its error box.
# (A "%" is escaped too, but GLib looks for the program before it reads "%%" back as "%".)
odd="$work/Учитель \"\$HOME\" \`x\` \\ 1"
mv "$folder" "$odd"
HOME="$work/home" XDG_DATA_HOME="" sh "$odd/установить.sh" >/dev/null
entry="$work/home/.local/share/applications/test-editor.desktop"
desktop-file-validate "$entry"
mkdir "$work/Нет теста"
DISPLAY=":$display" gio launch "$entry" "$work/Нет теста"
box="$(DISPLAY=":$display" timeout 60 xdotool search --sync --onlyvisible --name '^Редактор теста$' | head -1)"
pid="$(DISPLAY=":$display" xdotool getwindowpid "$box")"
given="$(tr '\0' '\n' <"/proc/$pid/cmdline")"
if [ "$given" != "$odd/test_editor"$'\n'"$work/Нет теста" ]; then
  echo "Open with: the program was started as: $given" >&2
  exit 1
fi
DISPLAY=":$display" import -window root "$out/open-with.png"
DISPLAY=":$display" xdotool windowfocus "$box" key Return
timeout 30 tail --pid="$pid" -f /dev/null
echo "Open with: the entry started $odd/test_editor on the folder given, and its box came"
