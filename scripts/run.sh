#!/usr/bin/env bash
# Installs what is missing, builds the editor and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DSKARVEL_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target skarvel skarvel-cli

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "There is no display to show the editor's window on (neither DISPLAY nor WAYLAND_DISPLAY is set)."
  echo "Run it on a virtual display:        xvfb-run -a $build/app/skarvel"
  echo "or without any display at all:      QT_QPA_PLATFORM=offscreen $build/app/skarvel"
  exit 1
fi
exec "$build/app/skarvel" "$@"
