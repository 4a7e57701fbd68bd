#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine: installs what is missing, builds, runs every test.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$here/scripts/steps.sh"
. "$here/scripts/windows.sh"
cd "$here"

# Each step's time, printed at the end: the whole run is to end within an hour on a fresh machine.
durations=()
step_at=$SECONDS
step() {
  local took=$((SECONDS - step_at))
  durations+=("$(printf '%3d min %02d s' $((took / 60)) $((took % 60)))  $current_step")
  step_at=$SECONDS
  current_step="$1"
  echo "== $1"
}
current_step="the packages this machine lacks, installed"

bash scripts/setup.sh
windows_width

step "build and unit tests"
bash scripts/build.sh release
rm -rf build/release/fault-table
ctest --test-dir build/release --output-on-failure --parallel "$(nproc)"
echo "== every change failed at each of its disk operations, then started again and closed:"
fault_table build/release

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

step "done"
echo "== $win_why"
echo "== the steps' times:"
printf '%s\n' "${durations[@]}"
echo "== all tests passed in $((SECONDS / 60)) min $((SECONDS % 60)) s"
