#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (ctest prints the summary):
# the whole suite, the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer, the
# suites that start workers under ThreadSanitizer, and the fuzzers briefly.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh

preset=default
[ "${CI:-}" = "true" ] && preset=ci
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
phase() { echo "[test.sh] $1 after $SECONDS s"; }

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
ctest --preset "$preset" -j "$jobs" --repeat until-pass:2 "$@"
phase "build and suite"

# The whole suite under ASan + UBSan, leak detection on. The sanitized runs are several times
# slower, so a test whose timing a loaded machine upset gets a second run; a real fault fails both. Only leaks inside libraries we do not
# own are suppressed (tests/lsan.supp says which and why).
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir build-asan -j "$jobs" --output-on-failure -E '^(QtScreenshots|FaultMatrix)$' --repeat until-pass:2
phase "AddressSanitizer suite"

# Every suite that starts workers (label "workers"), again under ThreadSanitizer.
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target qx_worker_suites
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan -L workers -j "$jobs" --output-on-failure --repeat until-pass:2
phase "ThreadSanitizer suites"

# The parsers and decoders that take network input, fuzzed briefly.
./scripts/fuzz.sh "${QUORVEX_FUZZ_SECONDS:-15}"
phase "fuzzers"
