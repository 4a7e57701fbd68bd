#!/usr/bin/env bash
# Installs what the editor and its tests need on Debian 12, only when something is missing.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/steps.sh"
. "$here/scripts/windows.sh"

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libx11-dev
  libboost1.81-dev libsqlite3-dev
  libxlsxwriter-dev python3-openpyxl  # the results' spreadsheet, and its reader in the tests
  libgif-dev  # the questions' pictures written as GIF (src/pictures; for Windows from its sources)
  postgresql libpq-dev  # a lesson's results on a school's PostgreSQL; its tests run a server of their own
  qt6-base-dev libgl-dev qt6-translations-l10n
  xvfb xauth fonts-liberation fonts-liberation2
  clang libclang-rt-14-dev
  chromium poppler-utils
  g++-mingw-w64-i686-posix wine32:i386 xdotool xclip imagemagick x11-utils python3 zip
  patchelf desktop-file-utils libglib2.0-bin debootstrap strace
  iproute2  # ss: the port a lesson of the guide's pictures listens on
  dpkg-dev tcl  # SQLite for Windows from Debian's source package (scripts/windows-sources.sh)
  libz-mingw-w64-dev  # zlib under libxlsxwriter, built for Windows from Debian's source package
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
apt=(apt-get -o DPkg::Lock::Timeout=600)

# The Windows program is 32-bit and its tests run in Wine's 32-bit half, which Debian ships for
# the i386 architecture.
updated=""
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture for wine32"
  $sudo dpkg --add-architecture i386
  $sudo "${apt[@]}" update
  updated=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# The machine brings its own Node.js 20 and npm; Debian's are only the fallback.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

install_missing() {
  [ $# -gt 0 ] || return 0
  echo "setup: installing $*"
  [ -n "$updated" ] || $sudo "${apt[@]}" update
  updated=1
  $sudo "${apt[@]}" install -y --no-install-recommends "$@"
}
install_missing "${missing[@]}"

# A Russian locale, as a teacher's computer has: the tests read numbers and show texts in it.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf-\?8'; then
  command -v localedef >/dev/null 2>&1 || install_missing locales
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

# Where the kernel runs no 32-bit program, the Windows suites run on a 64-bit build under the
# 64-bit Wine (scripts/windows.sh): its compiler and loader are needed only there.
windows_width
if [ "$win_bits" = 64 ]; then
  missing=()
  for p in g++-mingw-w64-x86-64-posix wine64; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  install_missing "${missing[@]}"
fi
