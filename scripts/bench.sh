#!/usr/bin/env bash
# Builds and runs the benchmarks: every editor operation against the same file calls made
# plainly (its floor), on a copy of the model shell and on a full shell of 10 stages.
# Extra arguments go to the benchmark program (e.g. --benchmark_filter=mix).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" bench -DEDITOR_BENCH=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release
# Scratch shells go beside the build, on the disk a teacher's shell would be on.
BENCH_SCRATCH="$here/build/bench" "$here/build/bench/bench/editor_bench" "$here/sample" \
  --benchmark_color=false "$@"
