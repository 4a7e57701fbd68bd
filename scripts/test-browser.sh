#!/usr/bin/env bash
# The model shell in a real browser: structural checks of every file of sample/, then the quiz
# taken in headless Chromium from file://. Installs Chromium, poppler-utils (the printed page's
# PDF read back) and playwright-core when missing.
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [ ! -x /usr/bin/chromium ] || ! command -v pdftotext >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends chromium poppler-utils
fi

cd "$here/tests/browser"
if [ ! -d node_modules/playwright-core ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
node --test --test-concurrency=1 "$@"
