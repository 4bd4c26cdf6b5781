#!/usr/bin/env bash
# Renders the user interface's windows off screen into docs/screenshots/ (menu, each settings
# tab, each tour step, the overview and the gap preview) on a simulated desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
ninja -C "$build" tessarin-screenshots
mkdir -p docs/screenshots
"$build/src/app/tessarin-screenshots" docs/screenshots
