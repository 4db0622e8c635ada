#!/usr/bin/env bash
# Installs what is missing, builds the optimised programs and starts Mivo-ZIP.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIVO_BUILD_TESTS=OFF >/dev/null
cmake --build build/release
exec build/release/bin/Mivo-ZIP "$@"
