#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (sanitizers on our libraries too) and runs each one.
#
#   scripts/fuzz.sh [seconds-per-target]        the brief run of ./test.sh (default 15 s each); the
#                                               corpus grows in build-fuzz/corpus/<target>, seeded
#                                               from fuzz/corpus/<target>
#   scripts/fuzz.sh --long [minutes-per-target] each target 10 minutes (or as given) on the corpus
#                                               kept in fuzz/corpus/<target>, which is minimised after
#                                               the run; the summary goes to build-fuzz/long-run.txt
#
# QUORVEX_FUZZ_TARGETS (a regular expression) picks targets, e.g. QUORVEX_FUZZ_TARGETS=resolver.
# A crash leaves its input beside the log: build-fuzz/<target>-crash-* (or -timeout-*, -oom-*).
set -euo pipefail
cd "$(dirname "$0")/.."
long=0
if [ "${1:-}" = "--long" ]; then
  long=1
  seconds=$(( ${2:-10} * 60 ))
else
  seconds=${1:-15}
fi
flags="-fsanitize=address,undefined -fsanitize=fuzzer-no-link"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEX_FUZZ=ON -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF \
  "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" >/dev/null
targets=$(cmake --build build-fuzz --target help | sed -n 's/^\(qx_fuzz_[a-z0-9_]*\):.*/\1/p' | sort -u |
  grep -E "${QUORVEX_FUZZ_TARGETS:-.}")
# shellcheck disable=SC2086
cmake --build build-fuzz -j "$(nproc)" --target $targets
[ $long = 1 ] && : >build-fuzz/long-run.txt
failed=0
for t in $targets; do
  exe=$(find build-fuzz/fuzz -name "$t" -type f -perm -u+x | head -n 1)
  # The target's sources and dictionary sit in the fuzz/ folder that mirrors its build folder.
  dir=fuzz/$(dirname "${exe#build-fuzz/fuzz/}")
  dict=()
  for d in "$dir"/*.dict; do [ -f "$d" ] && dict=("-dict=$d"); done
  kept="fuzz/corpus/$t"; mkdir -p "$kept"
  if [ $long = 1 ]; then
    corpora=("$kept")
  else
    corpus="build-fuzz/corpus/$t"; mkdir -p "$corpus"
    corpora=("$corpus" "$kept")  # new inputs go to the first only
  fi
  log="build-fuzz/$t.log"
  if "$exe" "${corpora[@]}" "${dict[@]}" -max_len=20000 -max_total_time="$seconds" -timeout=30 \
       -rss_limit_mb=3000 -artifact_prefix="build-fuzz/$t-" >"$log" 2>&1; then
    runs=$(grep -o 'Done [0-9]* runs' "$log" | tail -n 1)
    if [ $long = 1 ]; then
      # Keep the smallest set of inputs that covers what the run reached.
      merged=$(mktemp -d)
      "$exe" -merge=1 "$merged" "$kept" >>"$log" 2>&1
      rm -rf "$kept" && mv "$merged" "$kept" && chmod 755 "$kept"
      line="fuzz $t: ok ($runs in $((seconds / 60)) min, corpus $(find "$kept" -type f | wc -l) files, $(du -sk "$kept" | cut -f1) KB)"
      echo "$line" | tee -a build-fuzz/long-run.txt
    else
      echo "fuzz $t: ok ($runs)"
    fi
  else
    echo "fuzz $t: FAILED (see $log)" | tee -a "$([ $long = 1 ] && echo build-fuzz/long-run.txt || echo /dev/null)"
    tail -n 30 "$log"; failed=1
  fi
done
exit $failed
