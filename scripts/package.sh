#!/usr/bin/env bash
# Writes dist/: the editor ready to hand to a teacher, inside a copy of the model test.
#   dist/test-editor-windows.zip    the model test with test_editor.exe in its root: unzip,
#                                   double-click the program (Windows 7 SP1 to 11, 32/64-bit)
#   dist/test-editor-linux.tar.gz   the model test with the Qt program test_editor in its root
#                                   and a note on the Qt 6 libraries it needs
# Builds both programs first (build/win32 cross-built with MinGW-w64, build/release).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

bash scripts/setup.sh

# A build folder configured when the program was 64-bit keeps its compiler: start it anew.
if grep -qs x86_64-w64-mingw32 build/win32/CMakeCache.txt; then rm -rf build/win32; fi
cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DEDITOR_WINDOW=OFF -DBUILD_TESTING=OFF -DEDITOR_WERROR=ON >/dev/null
cmake --build build/win32 --parallel "$(nproc)"
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

# Linux: the Qt program beside 1.js, and what it needs.
mkdir -p "$stage/linux"
cp -r sample "$stage/linux/test"
strip -o "$stage/linux/test/test_editor" build/release/src/app/test_editor
cat >"$stage/linux/test/ПРОЧТИТЕ.txt" <<'NOTE'
Редактор теста для Linux

Программа test_editor лежит в корне теста, рядом с 1.js, и редактирует тест, в папке которого
лежит. Запуск: двойной щелчок по test_editor или из терминала ./test_editor.

Программе нужны библиотеки Qt 6 (Qt 6.4 или новее). В Debian 12 и Ubuntu 22.04 и новее:

    sudo apt install libqt6widgets6

(вместе с ней ставятся libqt6gui6 и libqt6core6). Если окно не открывается и программа
пишет о плагине платформы «xcb», поставьте ещё qt6-qpa-plugins.

Чтобы перенести редактор в свой тест, скопируйте test_editor в корень своего теста (туда,
где лежат 1.js и index.html).
NOTE

mkdir -p dist
(cd "$stage/windows" && zip -qr -X "$here/dist/test-editor-windows.zip" test)
tar -C "$stage/linux" -czf dist/test-editor-linux.tar.gz test
ls -l dist
