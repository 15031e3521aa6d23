#!/usr/bin/env bash
# Takes docs/window.png: the window test draws the editor's window offscreen at its design size and
# saves the picture into its working folder. Run it after a build of the tests (scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
tests=$(realpath "${1:-build-test}/tests/app_tests")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
  "$tests" --gtest_filter=Window.RegionsAtTheDesignSize >/dev/null)
cp "$work/window_screenshot.png" docs/window.png
echo docs/window.png
