#!/usr/bin/env bash
# Installs what is missing, builds the engine's headless runner in release mode and plays the
# demo scenario on the simulated desktop. Other scenarios: scripts/run.sh path/to/file.scenario
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARIN_TESTS=OFF -DTESSARIN_BENCH=OFF >/dev/null
cmake --build build --target tessarin-sim
exec ./build/src/app/tessarin-sim --script "${1:-scenarios/demo.scenario}"
