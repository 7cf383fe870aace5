#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (ctest prints the summary).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh

preset=default
[ "${CI:-}" = "true" ] && preset=ci
jobs=$(nproc)

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" -j "$jobs" "$@"

# Worker writes into the window model, again under ThreadSanitizer.
if [ -f tests/ui/CMakeLists.txt ]; then
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j "$jobs" --target qx_ui_tests
  TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build-tsan -R '^WindowModel' --output-on-failure
fi

# The parsers and decoders that take network input, fuzzed briefly.
./scripts/fuzz.sh "${QUORVEX_FUZZ_SECONDS:-15}"
