#!/usr/bin/env bash
# Builds and runs the demo host: the control on a form, loaded with a demo
# vendor from a server page that the demo starts on a free loopback port.
#   scripts/demo.sh                        show the demo window
#   scripts/demo.sh --screenshot demo.png  render the loaded window to a PNG and exit
#   scripts/demo.sh --server URL --vendor ID   use a server page that is already running
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j"$(nproc)" --target vendorcenter-demo vendorcenter-server >/dev/null

wants_screenshot=0
for argument in "$@"; do
  [ "$argument" = "--screenshot" ] && wants_screenshot=1
done

if [ "$wants_screenshot" = 1 ]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
elif [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display here: run 'scripts/demo.sh --screenshot demo.png' for a picture of the loaded demo, or 'xvfb-run scripts/demo.sh' for a virtual display."
  exit 1
fi

exec build/release/demo/vendorcenter-demo "$@"
