#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine: installs what is missing, builds, runs every test.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

bash scripts/setup.sh

echo "== build and unit tests"
bash scripts/build.sh release
rm -f build/release/fault-table.txt
ctest --test-dir build/release --output-on-failure --parallel "$(nproc)"
echo "== every change failed at each of its disk operations, then started again and closed:"
cat build/release/fault-table.txt

echo "== all tests passed"
