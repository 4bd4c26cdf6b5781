#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format (and .clang-format) makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.hpp')
clang-format --dry-run --Werror $files
echo "format: $(echo "$files" | wc -l) files follow .clang-format"
