#!/usr/bin/env bash
# Writes dist/: the editor ready to hand to a teacher, inside a copy of the model test.
#   dist/test-editor-windows.zip    the model test with test_editor.exe in its root: unzip,
#                                   double-click the program (Windows 7 SP1 to 11, 32/64-bit)
#   dist/test-editor-linux.tar.gz   the model test with the Linux editor in its root: its
#                                   launcher and, in the dot folder .test_editor, the program, every
#                                   library and Qt plugin it needs beyond X11 and OpenGL, its C
#                                   library and its fonts (scripts/linux-folder.sh); the script that
#                                   offers it in "Open with" for folders, and a note
# Both hold the teacher's guide, guide.html (scripts/make-guide.sh). Builds both programs
# first (build/win32 cross-built with MinGW-w64, build/release). Then checks what it wrote: the
# Linux download where Qt cannot be found and in Debian 11 (scripts/test-linux-folder.sh), and the guide of both
# downloads in headless Chromium (tests/browser/guide-check.mjs).
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

bash scripts/setup.sh

. scripts/windows.sh
# The Windows program ships 32-bit, whatever this machine runs.
windows_build build/win32 32 -DCMAKE_BUILD_TYPE=Release -DEDITOR_WINDOW=OFF -DBUILD_TESTING=OFF
bash scripts/build.sh release

rm -rf dist
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT

# Windows: the program beside 1.js, stripped of its debugging symbols: one 32-bit program for
# Windows 7 SP1 to 11, 32-bit and 64-bit, checked to import nothing Windows 7 SP1 lacks.
mkdir -p "$stage/windows"
cp -r sample "$stage/windows/test"
i686-w64-mingw32-strip -o "$stage/windows/test/test_editor.exe" build/win32/src/win32/test_editor.exe
python3 tests/win32/check_imports.py "$stage/windows/test/test_editor.exe"

# Linux: the editor folder in the root of the model test, its libraries out of the test's way.
mkdir -p "$stage/linux"
cp -r sample "$stage/linux/test"
linux="$stage/linux/test"
bash scripts/linux-folder.sh build/release/src/app/test_editor \
  build/release/src/launcher/test_editor_launcher "$linux"
cp scripts/linux-open-with.sh "$linux/установить.sh"
chmod +x "$linux/установить.sh"
c++ -std=c++20 -Isrc src/win32/MakeIcon.cpp src/window/Icon.cpp -o "$stage/make-icon"
"$stage/make-icon" "$stage/editor.ico"
convert "ico:$stage/editor.ico" -filter point -resize 300% "$linux/.test_editor/icon.png"
glibc="$(cat "$linux/.test_editor/glibc.txt")"
editor_files=(test_editor .test_editor)
unpacked="$(du -sbc "${editor_files[@]/#/$linux/}" | tail -1 | cut -f1)"
packed="$(tar -C "$linux" -czf - "${editor_files[@]}" | wc -c)"
# What the C library and the fonts add, unpacked and packed.
mapfile -t c_library < <(awk '$2 == "libc6" {print ".test_editor/lib/" $1}' "$linux/.test_editor/bundled.txt")
c_unpacked="$(du -sbc "${c_library[@]/#/$linux/}" | tail -1 | cut -f1)"
c_packed="$(tar -C "$linux" -czf - "${c_library[@]}" | wc -c)"
fonts_unpacked="$(du -sb "$linux/.test_editor/fonts" | cut -f1)"
fonts_packed="$(tar -C "$linux" -czf - .test_editor/fonts | wc -c)"
megabytes() { awk -v b="$1" 'BEGIN { printf "%.0f", b / 1048576 }'; }
cat >"$linux/ПРОЧТИТЕ.txt" <<NOTE
Редактор теста для Linux

Эта папка — модельный тест вместе с редактором. Ставить ничего не нужно: всё, что нужно
программе test_editor (библиотеки Qt 6 и их собственные библиотеки, библиотека C — glibc $glibc —,
шрифты и русские надписи Qt), лежит рядом с ней, в скрытой папке .test_editor. Подробное руководство с картинками —
в файле guide.html (откройте его в браузере).

Где работает: Linux для 64-битных компьютеров (x86-64) с графическим рабочим столом (X11 или
Wayland с XWayland) и библиотекой glibc 2.28 или новее: Astra Linux 1.7, Альт 10, РЕД ОС 7.3,
Debian 10, 11 и 12, Ubuntu 20.04 и новее, Linux Mint 20 и новее. Своя glibc в системе остаётся
как есть: редактор запускается со своей. Версию glibc системы показывает команда  ldd --version
(первая строка). Редактор занимает $(megabytes "$unpacked") МБ, в архиве — $(megabytes "$packed") МБ.

Запуск. Двойной щелчок по test_editor (или ./test_editor в терминале) открывает тест, в папке
которого лежит программа, — здесь это модельный тест.

Один редактор для многих тестов. Держите эту папку в домашней папке (например, ~/test) и один
раз выполните в терминале:

    sh ~/test/установить.sh

Тогда у каждой папки в меню «Открыть с помощью» (правый щелчок по папке) появится «Редактор
теста»: выберите его на папке теста, где лежат index.html и 1.js. Так открывается и тест на
флешке: с флешки программы не запускаются, поэтому программа живёт в домашней папке. Из
терминала то же самое:  ~/test/test_editor /media/ИМЯ/ФЛЕШКА/папка_теста
(sh ~/test/установить.sh --remove убирает этот пункт меню.)

Редактор в корне своего теста (тест на диске компьютера): скопируйте в корень теста, рядом с
1.js, две вещи: test_editor и скрытую папку .test_editor (в файловом менеджере скрытые папки
показывает Ctrl+H). Папка, имя которой начинается с точки, для редактора не часть теста.

Шрифт окна — Liberation Sans из папки .test_editor/fonts (лицензия SIL Open Font License, её
текст — в файле LICENSE.txt там же), какие бы шрифты ни стояли в системе.

На системах с glibc старше 2.28 редактор не проверялся. Если он там не запустится, возьмите
программу для Windows, test_editor.exe, из test-editor-windows.zip и запустите её под Wine:
откройте терминал в папке теста (где лежат index.html и 1.js) и выполните  wine ~/test_editor.exe
(если test_editor.exe лежит в домашней папке).
NOTE
# The teacher's guide, its pictures taken from the window just built, in both downloads.
bash scripts/make-guide.sh
cp build/guide/guide.html "$stage/windows/test/"
cp build/guide/guide.html "$linux/"

mkdir -p dist
(cd "$stage/windows" && zip -qr -X "$here/dist/test-editor-windows.zip" test)
tar -C "$stage/linux" -czf dist/test-editor-linux.tar.gz test
ls -l dist
echo "package: the Linux editor: $unpacked bytes, $packed packed; of them its C library (glibc $glibc)" \
  "$c_unpacked bytes, $c_packed packed, and its fonts $fonts_unpacked bytes, $fonts_packed packed"

echo "== the Linux download where Qt cannot be found, and in Debian 11"
bash scripts/test-linux-folder.sh dist/test-editor-linux.tar.gz
echo "== the guide of both downloads in headless Chromium"
guides="$(mktemp -d)"
python3 -m zipfile -e dist/test-editor-windows.zip "$guides/windows"
tar -C "$guides" -xzf dist/test-editor-linux.tar.gz test/guide.html
GUIDES="$guides/windows/test/guide.html:$guides/test/guide.html" \
  bash scripts/test-browser.sh guide-check.mjs
rm -rf "$guides"
