#!/usr/bin/env bash
# Installs what is missing, builds Tessarin in release mode and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSARIN_TESTS=OFF -DTESSARIN_BENCH=OFF >/dev/null
cmake --build build --target tessarin
exec ./build/src/app/tessarin "$@"
