#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and runs each for a bounded time
# from its seed corpus, as many at once as there are cores. Fails on any crash, hang, leak or
# sanitizer report.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
build="$here/build/fuzz"

CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DEDITOR_FUZZ=ON -DEDITOR_SANITIZE=ON -DEDITOR_WINDOW=OFF -DBUILD_TESTING=OFF \
  -DEDITOR_WERROR=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
targets=(LineTableFuzz StartupFuzz QuestionTextFuzz LessonRequestFuzz PictureFuzz)
# fuzz TARGET: one target for its time, in a folder of its own (where libFuzzer leaves what it
# found), its output in that folder's log.
fuzz() {
  local target="$1" dir="$work/$1"
  mkdir -p "$dir/corpus"
  cp "$here/tests/fuzz/seeds/$(echo "$target" | sed 's/Fuzz$//' | tr 'A-Z' 'a-z')"/* "$dir/corpus"/
  (cd "$dir" && "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 corpus >log 2>&1)
}
# As many targets at once as this computer has cores, each single-threaded for its own time.
declare -A status_of
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  echo "== fuzzing $target for ${seconds}s"
  fuzz "$target" &
  running=$((running + 1))
  status_of[$target]=$!
done
status=0
for target in "${targets[@]}"; do
  echo "== $target"
  wait "${status_of[$target]}" || { echo "fuzz: $target ended with a failure"; status=1; }
  tail -n 12 "$work/$target/log"
  if ls "$work/$target"/crash-* "$work/$target"/timeout-* "$work/$target"/leak-* "$work/$target"/oom-* >/dev/null 2>&1; then
    echo "fuzz: $target found a fault; inputs kept in build/fuzz/findings"
    mkdir -p "$build/findings"
    cp "$work/$target"/crash-* "$work/$target"/timeout-* "$work/$target"/leak-* "$work/$target"/oom-* \
      "$build/findings"/ 2>/dev/null || true
    status=1
  fi
done
exit $status
