#!/usr/bin/env bash
# The Linux download on a computer where Qt was never installed, and on one with an older C
# library. First, where this machine's Qt 6 libraries and plugins cannot be found
# (scripts/without-qt.sh, a mount namespace): unpacks the tarball, checks that the launcher is a
# static program and, with ldd, that the program and its plugins find every library, every Qt one
# and the C library inside the folder; then on a private Xvfb display drives the real program
# through its launcher (tests/win32/drive_window.py with WINE "-"): started with no argument, it
# opens the model test it sits in; started from another folder with a copy of the model test as
# its argument, it edits that copy (exactly line 9 of 2/3.html and line 56 of 1.js change); then
# its error boxes. The loader's own record (LD_DEBUG=libs) of those runs must show every Qt
# library and plugin and the whole C library loaded from inside the folder, and the system's own
# record of the files they opened (strace) Qt's Russian words read from the folder's
# translations in every run. Then "Open with".
#
# Then the same in a Debian 11 root (glibc 2.31, scripts/debian11-root.sh; needs root), as a
# teacher has it: the X client libraries of a minimal desktop, DejaVu and no Liberation fonts,
# no libOpenGL.so.0. There the download as it was before its launcher (the program itself in the
# launcher's place, on the system's C library) does not start, for the versions of glibc it
# lacks; the download, unpacked in the teacher's home folder, opens the model test with no
# argument and a copy of it as an argument, makes the same edit and shows the same error boxes,
# its window the same to the pixel as on this machine, and it runs a lesson without a window.
# The system calls of those runs (strace)
# show that nothing of the system's C library is opened, nor its name services, character-set
# converters or preloads, and that Qt's Russian words are read from the folder. Screenshots and logs go to build/linux-folder.
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
program="$folder/.test_editor/test_editor"
# The C library's files, by the names a library asks for and the names of older glibc's files.
glibc='/(ld-linux-x86-64|libc|libm|libdl|libpthread|librt|libutil|libresolv|libanl|libmvec|libnss_[a-z0-9]+)(-[0-9.]+)?\.so'

if grep -qE '^ +(INTERP|DYNAMIC) ' <<<"$(readelf -lW "$folder/test_editor")"; then
  echo "the launcher test_editor is not a static program" >&2
  exit 1
fi
echo "the launcher: $(file -b "$folder/test_editor" | cut -d, -f1-4)"

echo "== without Qt: $(ls /usr/lib/x86_64-linux-gnu | grep -ci qt6) Qt 6 entries in the system's library folder"
for file in "$program" "$folder"/.test_editor/plugins/*/*.so; do
  found="$(ldd "$file")"
  if grep -q "not found" <<<"$found"; then
    echo "$file: a library is not found:" >&2
    grep "not found" <<<"$found" >&2
    exit 1
  fi
  for path in $(awk 'tolower($1) ~ /qt6/ || $1 ~ /^lib(c|m)\.so/ {print $3}' <<<"$found"); do
    case "$(realpath "$path")" in
      "$folder"/.test_editor/lib/*) ;;
      *) echo "$file: $path, a Qt or C library from outside the folder" >&2; exit 1 ;;
    esac
  done
done
echo "ldd: the program and its plugins find every library, every Qt one and the C library in the folder:"
ldd "$program" | grep -iE 'qt6|lib(c|m)\.so' | sed "s|$work/||"

# The control table's places in twips, from the shared design, for the clicks.
control_places "$work"

own_display 1280x1024x24 "$out/xvfb.log"
mkdir "$out/ld" "$out/strace"
DISPLAY=":$display" LD_DEBUG=libs LD_DEBUG_OUTPUT="$out/ld/run" \
  LINUX_RUN="strace -ff -qq -e trace=openat -o $out/strace/run" \
  python3 "$here/tests/win32/drive_window.py" - "$folder/test_editor" "$here/sample" "$work/shell" \
  "$work/control-places.txt" "$out/window.png"

# What the loader loaded into the editor's runs, by its own record (LD_DEBUG=libs, the logs LOGS
# of the processes of which the launcher LAUNCHER took control): every Qt library and plugin, the
# spreadsheet's libraries and the whole C library from FOLDER, nothing of them from outside.
check_loaded() {
  local logs="$1" launcher="$2" folder="$3" loaded outside name
  loaded="$(grep -l "transferring control: $launcher\$" "$logs"/run.* | xargs grep -h "calling init:" |
    awk '{print $NF}' | sort -u)"
  outside="$(grep -v "^$folder/" <<<"$loaded" || true)"
  if grep -iE "qt6|/plugins/|$glibc" <<<"$outside"; then
    echo "LD_DEBUG: the editor loaded a Qt or C library or a plugin from outside its folder" >&2
    exit 1
  fi
  # The results window's exports (libxlsxwriter and its minizip) are the program's own too.
  for name in libQt6Core.so.6 libQt6Gui.so.6 libQt6Widgets.so.6 libQt6XcbQpa.so.6 libqxcb.so libqgif.so \
    libxlsxwriter.so.4 libminizip.so.1 ld-linux-x86-64.so.2 libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1; do
    if ! grep -q "^$folder/.*/$name\$" <<<"$loaded"; then
      echo "LD_DEBUG: $name was not loaded from the folder" >&2
      exit 1
    fi
  done
  echo "LD_DEBUG: $(grep -c "^$folder/" <<<"$loaded") libraries and plugins loaded from the folder, among them:"
  grep -E 'libQt6|libq(xcb|gif)|libxlsxwriter|libminizip|ld-linux|/lib(c|m|dl|pthread|rt)\.so' <<<"$loaded" | sed "s|^$folder/||" |
    tr '\n' ' '
  echo
  echo "LD_DEBUG: from the system: $(sed 's|.*/||' <<<"$outside" | sort -u | tr '\n' ' ')"
}
check_loaded "$out/ld" "$folder/test_editor" "$folder"
rm -rf "$out/ld"

# Qt's Russian words (its file dialogs, the fields' menus, the boxes' buttons), by the system's
# record of the files opened (strace, LOGS): every run of the editor (a process that opened the
# folder's Qt Widgets library) read FOLDER's own qtbase_ru.qm, and no run another.
check_translations() {
  local logs="$1" folder="$2" runs=0 log opened
  local own="$folder/.test_editor/translations/qtbase_ru.qm"
  for log in $(grep -l "\"$folder/.test_editor/lib/libQt6Widgets.so.6\"" "$logs"/run.*); do
    runs=$((runs + 1))
    opened="$(grep -v ENOENT "$log" | grep -o '"[^"]*qtbase_ru[^"]*"' | tr -d '"' | sort -u || true)"
    if [ "$opened" != "$own" ]; then
      echo "strace: a run of the editor read Qt's Russian words from: ${opened:-nowhere} ($log)" >&2
      exit 1
    fi
  done
  if [ "$runs" -eq 0 ]; then
    echo "strace: no run of the editor was recorded" >&2
    exit 1
  fi
  echo "strace: each of the editor's $runs runs read Qt's Russian words from the folder's own ${own#"$folder/"}"
}
check_translations "$out/strace" "$folder"
rm -rf "$out/strace"

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
# The launcher has become the folder's loader running the program, with the launcher's name.
given="$(tr '\0' '\n' <"/proc/$pid/cmdline")"
expected="$(printf '%s\n' "$odd/.test_editor/lib/ld-linux-x86-64.so.2" --library-path "" --argv0 \
  "$odd/test_editor" "$odd/.test_editor/test_editor" "$work/Нет теста")"
if [ "$given" != "$expected" ]; then
  echo "Open with: the program was started as: $given" >&2
  exit 1
fi
DISPLAY=":$display" import -window root "$out/open-with.png"
DISPLAY=":$display" xdotool windowfocus "$box" key Return
timeout 30 tail --pid="$pid" -f /dev/null
echo "Open with: the entry started $odd/test_editor on the folder given, and its box came"
mv "$odd" "$folder"

# The lesson without a window (test_editor --serve), as a school's server runs it: through the
# launcher, with no display, on the test the program sits in. It prints its addresses, serves the
# test's files as they are, takes a result and prints its line; SIGTERM ends it with status 0 and
# the count of what it kept. NAME LOG TEST then the command that starts it.
serve_check() {
  local name="$1" log="$2" test="$3" pid port child status=0
  shift 3
  "$@" >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 200); do
    grep -q '^Урок идёт' "$log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  port="$(sed -n 's|^Адрес для учеников: http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$log")"
  [ -n "$port" ] || { cat "$log" >&2; stop "$name: the lesson did not start"; }
  curl -sf "http://127.0.0.1:$port/1.js" | cmp -s - "$test/1.js" || stop "$name: 1.js is not served as it is"
  curl -sf "http://127.0.0.1:$port/test_editor" >/dev/null && stop "$name: the launcher is served"
  curl -sf --data 'student=%C8%E2%E0%ED%EE%E2&group=9' "http://127.0.0.1:$port/results" |
    grep -q 'Результат принят' || stop "$name: a result was not taken"
  # The program itself: strace's child when strace runs it (chroot and env hand their process on).
  child="$(cat "/proc/$pid/task/$pid/children" 2>/dev/null | awk '{print $1}')"
  kill -TERM "${child:-$pid}"
  wait "$pid" || status=$?
  grep -q '^Результат	.*	Иванов	9	' "$log" || stop "$name: no line printed for the result"
  [ "$status" -eq 0 ] && [ "$(tail -1 "$log")" = "Урок остановлен: сохранено результатов 1, учеников 1" ] ||
    { cat "$log" >&2; stop "$name: SIGTERM ended the lesson with status $status"; }
  echo "$name: the lesson ran without a display, served the test, took a result and stopped on SIGTERM"
}
mkdir "$out/ld"
LD_DEBUG=libs LD_DEBUG_OUTPUT="$out/ld/run" serve_check "--serve" "$out/serve.txt" "$folder" \
  env -u DISPLAY "$folder/test_editor" --serve "$folder" --data "$work/lesson-data"
grep -l "transferring control: $folder/test_editor\$" "$out"/ld/run.* | xargs grep -q "calling init: $folder/.test_editor/lib/libsqlite3.so" ||
  stop "--serve: SQLite was not loaded from the folder"
rm -rf "$out/ld"

step "Debian 11: glibc 2.31, a minimal desktop's X client libraries, DejaVu fonts only"
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the Debian 11 root needs root (debootstrap, chroot); run this check as root"
  exit 0
fi
cached="$(bash "$here/scripts/debian11-root.sh")"
# The root as made, under an overlay that takes this run's files: the cached root stays as it is.
# Mounted outside the work folder and taken away before it is removed.
mnt="$(mktemp -d)"
at_exit='umount -R "$mnt" || umount -R -l "$mnt"; rmdir "$mnt"'
mkdir "$work/upper" "$work/overlay"
mount -t overlay overlay -o "lowerdir=$cached,upperdir=$work/upper,workdir=$work/overlay" "$mnt"
mount -t proc proc "$mnt/proc"
mkdir -p "$mnt/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$mnt/tmp/.X11-unix"
echo "the root: Debian $(cat "$mnt/etc/debian_version"), $(chroot "$mnt" ldd --version | head -1)"
for name in libOpenGL.so.0 libQt6Core.so.6; do
  if chroot "$mnt" sh -c "ldconfig -p | grep -q $name"; then
    echo "the root has $name" >&2
    exit 1
  fi
done
if [ -n "$(find "$mnt/usr/share/fonts" -iname '*liberation*')" ]; then
  echo "the root has Liberation fonts" >&2
  exit 1
fi
home="$mnt/home/teacher"
mkdir -p "$home/ld" "$out/debian11/ld" "$out/debian11/strace"
mkdir -p -m 700 "$mnt/run/user/0"
cp "$tarball" "$home/"
chroot "$mnt" tar -C /home/teacher -xzf "/home/teacher/$(basename "$tarball")"

# Runs a program of the root with its arguments, given as this machine sees them (under $mnt), as
# the root's own paths; started by chroot from the root's "/", with a clean environment but for
# what a desktop session gives (the display, the session's own folder) and the loader's record if
# asked for; the system calls that open or start files recorded (strace).
cat >"$work/in-debian11" <<RUN
#!/usr/bin/env bash
args=()
for a in "\$@"; do [[ "\$a" == "$mnt"/* ]] && a="\${a#"$mnt"}"; args+=("\$a"); done
exec env -u LD_DEBUG -u LD_DEBUG_OUTPUT \
  strace -f -qq -e trace=execve,openat -o "$out/debian11/strace/run.\$\$" chroot "$mnt" \
  /usr/bin/env -i HOME=/home/teacher PATH=/usr/bin:/bin LANG=C.UTF-8 DISPLAY="\$DISPLAY" \
  XDG_RUNTIME_DIR=/run/user/0 \
  \${LD_DEBUG:+LD_DEBUG=\$LD_DEBUG LD_DEBUG_OUTPUT=/home/teacher/ld/run} "\${args[@]}"
RUN
chmod +x "$work/in-debian11"

# The download as it was before its launcher: the program itself in the launcher's place, its
# libraries by RUNPATH and the system's C library. It does not start.
before="$home/before"
cp -a "$home/test" "$before"
mv "$before/.test_editor/test_editor" "$before/test_editor"
patchelf --set-rpath '$ORIGIN/.test_editor/lib' "$before/test_editor"
rm "$before"/.test_editor/lib/{ld-linux-x86-64.so.2,libc.so.6,libm.so.6,libdl.so.2,libpthread.so.0}
rm "$before"/.test_editor/lib/{librt.so.1,libutil.so.1,libresolv.so.2,libanl.so.1}
printf '[Paths]\nPrefix = .test_editor\nPlugins = plugins\n' >"$before/qt.conf"
status=0
DISPLAY=":$display" "$work/in-debian11" "$before/test_editor" >"$out/debian11/before.txt" 2>&1 || status=$?
if [ "$status" -eq 0 ] || ! grep -q "version \`GLIBC_2\.3[2-9]' not found" "$out/debian11/before.txt"; then
  echo "the download without its C library started in Debian 11 (status $status):" >&2
  cat "$out/debian11/before.txt" >&2
  exit 1
fi
echo "the download as before, on the root's C library: status $status, glibc versions not found:" \
  "$(grep -o "GLIBC_2\.[0-9]*' not found" "$out/debian11/before.txt" | sort -uV | cut -d"'" -f1 | tr '\n' ' ')"
rm -rf "$before" "$out"/debian11/strace/*

# The download as unpacked: the same runs as on this machine, inside the root.
# (The programs of this machine that drive it keep their loader's record outside the root.)
DISPLAY=":$display" LD_DEBUG=libs LD_DEBUG_OUTPUT="$out/debian11/ld/here" LINUX_RUN="$work/in-debian11" \
  python3 "$here/tests/win32/drive_window.py" - "$home/test/test_editor" "$here/sample" \
  "$home/Копия теста" "$work/control-places.txt" "$out/debian11/window.png"
rm -f "$out"/debian11/ld/here.*
mv "$home"/ld/run.* "$out/debian11/ld/"
check_loaded "$out/debian11/ld" /home/teacher/test/test_editor /home/teacher/test

# Every caption drawn as here: the window on its own test (stage 1, question 7 and its picture)
# the same to the pixel as on this machine.
differ="$(compare -metric AE "$out/own-test.png" "$out/debian11/own-test.png" "$out/debian11/own-test-diff.png" 2>&1 || true)"
if [ "$differ" != 0 ]; then
  echo "the window in Debian 11 differs from the window here in $differ pixels (build/linux-folder/debian11/own-test-diff.png)" >&2
  exit 1
fi
echo "the window in Debian 11 is the same to the pixel as here ($(identify -format '%wx%h' "$out/own-test.png"))"

# What the editor's processes opened, from the launcher's start on, by the system's own record:
# none of the root's C library's files of code, its name services (nsswitch.conf, passwd,
# libnss_*), its character-set converters (gconv modules; their index may be read), nor
# preloaded libraries.
opened_files() {
  for f in "$out"/debian11/strace/run.*; do
    awk '/execve\("\/home\/teacher\/test\/test_editor"/ {on = 1} on' "$f"
  done | grep -v ENOENT | grep -oE '(openat\(AT_FDCWD, |execve\()"[^"]*"' | sed 's/.*"\(.*\)"/\1/' | sort -u
}
reached_system() {
  local reached
  reached="$(grep -v '^/home/teacher/' <<<"$1" |
    grep -E "$glibc|/gconv/.*\.so|nsswitch\.conf|/etc/(passwd|group|hosts|resolv\.conf|ld\.so\.preload)" || true)"
  if [ -n "$reached" ]; then
    echo "strace: the editor reached the root's C library or its services:" >&2
    echo "$reached" >&2
    exit 1
  fi
}
opened="$(opened_files)"
reached_system "$opened"
for font in LiberationSans-Regular.ttf LiberationSans-Bold.ttf; do
  if ! grep -qx "/home/teacher/test/.test_editor/fonts/$font" <<<"$opened"; then
    echo "strace: the editor did not open the folder's $font" >&2
    exit 1
  fi
done
check_translations "$out/debian11/strace" /home/teacher/test
runs="$(grep -l 'execve("/home/teacher/test/.test_editor/lib/ld-linux-x86-64.so.2"' "$out"/debian11/strace/run.* | wc -l)"
echo "strace: $runs runs through the folder's loader; from the root they opened only: $(grep -v '^/home/teacher/' <<<"$opened" |
    sed -E 's|/[^/]*$||' | sort | uniq -c | awk '{printf "%s (%d) ", $2, $1}')"

# The lesson without a window in the root, opening nothing of the root's C library either.
rm -f "$out"/debian11/strace/run.*
serve_check "Debian 11 --serve" "$out/debian11/serve.txt" "$home/test" \
  env -u DISPLAY "$work/in-debian11" "$home/test/test_editor" --serve "$home/test" --data "$home/lesson-data"
reached_system "$(opened_files)"
