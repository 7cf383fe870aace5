#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (sanitizers on our libraries too) and runs each one
# briefly: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-15}
flags="-fsanitize=address,undefined -fsanitize=fuzzer-no-link"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEX_FUZZ=ON -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF \
  "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" >/dev/null
targets=$(cmake --build build-fuzz --target help | sed -n 's/^\(qx_fuzz_[a-z_]*\):.*/\1/p' | sort -u)
# shellcheck disable=SC2086
cmake --build build-fuzz -j "$(nproc)" --target $targets
failed=0
for t in $targets; do
  exe=$(find build-fuzz/fuzz -name "$t" -type f -perm -u+x | head -n 1)
  dir=$(dirname "$(find fuzz -name CMakeLists.txt -exec grep -l "$t" {} + | head -n 1)")
  dict=()
  for d in "$dir"/*.dict; do [ -f "$d" ] && dict=("-dict=$d"); done
  corpus="build-fuzz/corpus/$t"; mkdir -p "$corpus"
  if "$exe" "$corpus" "${dict[@]}" -max_len=20000 -max_total_time="$seconds" -timeout=10 \
       -rss_limit_mb=3000 >"build-fuzz/$t.log" 2>&1; then
    echo "fuzz $t: ok ($(grep -o 'Done [0-9]* runs' "build-fuzz/$t.log" | tail -n 1))"
  else
    echo "fuzz $t: FAILED (see build-fuzz/$t.log)"; tail -n 30 "build-fuzz/$t.log"; failed=1
  fi
done
exit $failed
