#!/usr/bin/env bash
# Installs what is missing, builds the optimised programs and makes the Debian package
# build/package/mivo-zip_VERSION_ARCH.deb with CPack. Install it with
#   apt install ./build/package/mivo-zip_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# The same build folder and options as ./run.sh, so that each reuses the other's build.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIVO_BUILD_TESTS=OFF >/dev/null
cmake --build build/release
rm -f build/package/mivo-zip_*.deb
cpack --config build/release/CPackConfig.cmake -B build/package
ls build/package/mivo-zip_*.deb
