#!/usr/bin/env bash
# Configures and builds the editor and its tests into build/<name> (default: build/release).
# Usage: scripts/build.sh [name] [extra cmake options...]
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
name="${1:-release}"
shift || true
cmake -S "$here" -B "$here/build/$name" -G Ninja -DEDITOR_WERROR=ON "$@" >/dev/null
cmake --build "$here/build/$name" --parallel "$(nproc)"
