#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine: installs what is missing, builds, runs every test.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/steps.sh"
. "$here/scripts/windows.sh"
cd "$here"

bash scripts/setup.sh
windows_width

step "build and unit tests"
bash scripts/build.sh release
rm -f build/release/fault-table.txt
ctest --test-dir build/release --output-on-failure --parallel "$(nproc)"
echo "== every change failed at each of its disk operations, then started again and closed:"
cat build/release/fault-table.txt

step "the model shell: its files, and the quiz in headless Chromium; the lesson, thirty pupils at once, and killed at every write and sync of its database; its results on a PostgreSQL server of the run's own"
bash scripts/test-browser.sh
bash scripts/test-lesson-faults.sh
bash scripts/test-postgres.sh

step "the core and its unit and fault tests built for Windows ($win_bits-bit, against Windows 7), run under a $win_bits-bit Wine set to be Windows 7"
bash scripts/test-windows.sh

step "the Windows program: cross-built, its imports checked, its window driven under Wine"
bash scripts/test-win32-window.sh

step "the downloads: the Linux one where Qt cannot be found, the guide of both in Chromium"
bash scripts/package.sh

step "the whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer"
bash scripts/build.sh asan -DEDITOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure --parallel "$(nproc)"

step "fuzzing the line-table reader and start-up"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== $win_why"
echo "== all tests passed"
