#!/usr/bin/env bash
# Builds and runs the benchmarks: every editor operation against the same file calls made
# plainly (its floor), on a copy of the model shell and on a full shell of 10 stages; then the
# whole window, started on a copy of the model shell, against a minimal Qt window; between them a
# question's picture made from a 12-megapixel photo, the lesson without a window under load,
# against nginx (scripts/bench-lesson.sh), and a lesson's results afterwards.
# An argument runs only the operations whose name holds it (e.g. mix).
# WINDOW_RUNS sets the number of window starts of each program (40).
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" bench -DEDITOR_BENCH=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release
out="$here/build/bench"
# Scratch shells go beside the build, on the disk a teacher's shell would be on.
BENCH_SCRATCH="$out" "$out/bench/editor_bench" "$here/sample" "$@"

echo
echo "== a question's picture made from a 12-megapixel photo and other images"
"$out/bench/picture_bench"

echo
echo "== a new picture through the window (offscreen): a 12-megapixel JPEG from the click to the saved page"
"$out/bench/window_picture_bench" "$here/sample" 7

echo
echo "== the lesson without a window (test_editor --serve) on the loopback, against nginx, then hostile clients"
bash "$here/scripts/bench-lesson.sh" "$out"

echo
echo "== a lesson's results afterwards: the list of 100 lessons, one of 30 pupils and 100 questions, its exports"
BENCH_SCRATCH="$out" "$out/bench/results_bench"

shell="$out/window-shell"
rm -rf "$shell"
cp -r "$here/sample" "$shell"
runs="${WINDOW_RUNS:-40}"
window() {
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
  fi
}
for baseline in "minimal_window:an empty Qt window of the same size" \
  "minimal_text_window:the same window with one line of text"; do
  echo
  echo "== the editor's window against ${baseline#*:}"
  window "$out/bench/window_start" "$runs" "$shell" "$out/src/app/test_editor" \
    "$out/bench/${baseline%%:*}" 2>/dev/null
done
