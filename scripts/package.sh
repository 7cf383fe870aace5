#!/usr/bin/env bash
# Builds the release and makes the .deb (build-release/quorvex_<version>_<arch>.deb).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
(cd build-release && cpack)
ls build-release/*.deb
