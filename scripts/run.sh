#!/usr/bin/env bash
# Installs what is missing, builds Tessarin in release mode and plays the demo scenario: the
# tiling engine on the simulated desktop. Arguments, if any, go to tessarin-sim instead
# (for example `--script my.scenario`).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARIN_TESTS=OFF -DTESSARIN_BENCH=OFF >/dev/null
cmake --build build --target tessarin-sim
if [ "$#" -eq 0 ]; then
    set -- --script scenarios/demo.scenario
fi
exec ./build/src/app/tessarin-sim "$@"
