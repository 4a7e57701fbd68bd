#!/usr/bin/env bash
# Runs a command where this machine's Qt 6 cannot be found, as on a computer that never had it:
# in a mount namespace of its own (unshare -m; as a user, in a user namespace too), the system's
# library folder is covered by a folder of links to every entry of it except Qt 6's libraries
# and its plugin folder, and Qt's own folders by empty ones. Nothing changes outside the
# namespace, so the other programs of the machine keep their Qt.
#
#   scripts/without-qt.sh COMMAND [ARGUMENTS...]
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
libs=/usr/lib/x86_64-linux-gnu

if [ -z "${WITHOUT_QT_PLACE:-}" ]; then
  place="$(mktemp -d)"
  as=(-m)
  [ "$(id -u)" -eq 0 ] || as=(-r -m)
  status=0
  unshare "${as[@]}" --propagation private env WITHOUT_QT_PLACE="$place" bash "$0" "$@" || status=$?
  rmdir "$place"
  exit "$status"
fi
place="$WITHOUT_QT_PLACE"
unset WITHOUT_QT_PLACE QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH QT_QPA_PLATFORM LD_LIBRARY_PATH

# In the namespace only: the real folder stays reachable under $place/real for the links, which
# are made in $place/links before they cover the real folder.
mount -t tmpfs -o mode=755 tmpfs "$place"
mkdir "$place/real" "$place/links"
mount --bind "$libs" "$place/real"
find "$place/real" -mindepth 1 -maxdepth 1 ! -iname '*qt6*' -print0 | xargs -0 ln -s -t "$place/links"
mount --bind "$place/links" "$libs"
for folder in /usr/lib/qt6 /usr/share/qt6; do
  if [ -d "$folder" ]; then mount -t tmpfs -o mode=755 tmpfs "$folder"; fi
done

# No library the loader's cache names for Qt 6 is there any more.
if ldconfig -p | awk '/Qt6/ {print $NF}' | xargs -r ls 2>/dev/null | grep .; then
  echo "without-qt: Qt 6 libraries are still found" >&2
  exit 1
fi
exec "$@"
