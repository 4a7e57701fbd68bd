#!/bin/sh
# Offers "Редактор теста" in "Открыть с помощью" of folders, for this user only (no
# administrator rights): writes ~/.local/share/applications/test-editor.desktop, which starts the
# test_editor beside this script with the folder chosen. The file manager then opens a test on a
# USB stick with the program in the home folder (sticks are mounted so that no program on them
# can run). Keeps the file manager as the program that opens folders by a double click.
#
#   sh установить.sh            adds the entry
#   sh установить.sh --remove   takes it away
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
entry="$apps/test-editor.desktop"

refresh() {
  if command -v update-desktop-database >/dev/null 2>&1; then
    update-desktop-database "$apps" 2>/dev/null || true
  fi
}

if [ "${1:-}" = "--remove" ]; then
  rm -f "$entry"
  refresh
  echo "Пункт «Редактор теста» убран из меню «Открыть с помощью»."
  exit 0
fi

# A USB stick is mounted so that no program on it can run (noexec).
if findmnt -no OPTIONS -T "$here" 2>/dev/null | tr ',' '\n' | grep -qx noexec; then
  echo "Папка редактора ($here) лежит на диске, с которого программы не запускаются"
  echo "(так подключаются флешки). Скопируйте папку редактора в домашнюю папку и запустите"
  echo "этот сценарий оттуда."
  exit 1
fi
if [ ! -x "$here/test_editor" ]; then
  echo "Рядом с этим сценарием нет программы test_editor ($here)." >&2
  exit 1
fi
case "$here" in
  *'
'*)
    echo "В пути к папке редактора есть перевод строки; переименуйте папку." >&2
    exit 1
    ;;
esac

# The program's path in Exec: quoted, with \ " ` $ escaped for Exec and every backslash doubled
# again for the desktop file's string rules; % written as %%.
program="$(printf '%s' "$here/test_editor" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g' -e 's/%/%%/g')"
icon="$(printf '%s' "$here/.test_editor/icon.png" | sed -e 's/\\/\\\\/g')"

before=""
if command -v xdg-mime >/dev/null 2>&1; then
  before="$(xdg-mime query default inode/directory 2>/dev/null || true)"
fi
mkdir -p "$apps"
cat >"$entry" <<ENTRY
[Desktop Entry]
Type=Application
Version=1.0
Name=Редактор теста
Comment=Правка теста в выбранной папке: вопросы, ответы, этапы, настройки
Exec="$program" %f
Icon=$icon
Terminal=false
NoDisplay=true
MimeType=inode/directory;
Categories=Education;
ENTRY
refresh

# A new entry for folders must not become what opens every folder.
if [ -n "$before" ] && [ "$before" != "test-editor.desktop" ]; then
  now="$(xdg-mime query default inode/directory 2>/dev/null || true)"
  [ "$now" = "test-editor.desktop" ] && xdg-mime default "$before" inode/directory
fi
echo "Готово: в меню «Открыть с помощью» для папок есть «Редактор теста»."
echo "Щёлкните правой кнопкой по папке теста (где лежат index.html и 1.js) и выберите его."
