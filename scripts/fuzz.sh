#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and runs each for a bounded time
# from its seed corpus. Fails on any crash, hang, leak or sanitizer report.
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
status=0
for target in LineTableFuzz StartupFuzz QuestionTextFuzz LessonRequestFuzz PictureFuzz; do
  seeds="$here/tests/fuzz/seeds/$(echo "$target" | sed 's/Fuzz$//' | tr 'A-Z' 'a-z')"
  corpus="$work/$target"
  mkdir -p "$corpus"
  cp "$seeds"/* "$corpus"/
  echo "== fuzzing $target for ${seconds}s"
  if ! (cd "$work" && "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$corpus" 2>&1 | tail -n 12); then
    status=1
  fi
  if ls "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-* >/dev/null 2>&1; then
    echo "fuzz: $target found a fault; inputs kept in build/fuzz/findings"
    mkdir -p "$build/findings"
    cp "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-* "$build/findings"/ 2>/dev/null || true
    status=1
  fi
done
exit $status
