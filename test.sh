#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test through ctest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMIVO_SANITIZE=ON >/dev/null
cmake --build build/test
cd build/test
exec ctest --output-on-failure -j"$(nproc)"
