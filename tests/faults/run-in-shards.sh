#!/bin/sh
# Runs a GoogleTest program in SHARDS processes at once and prints their output in order.
# The fault matrix's cells mostly wait on stalled and trickling services, and each cell sets the
# process's environment, so shards are processes.   Usage: run-in-shards.sh SHARDS PROGRAM [ARGS]
shards=$1
shift
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
i=0
pids=""
while [ "$i" -lt "$shards" ]; do
  GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$i "$@" >"$out/$i" 2>&1 &
  pids="$pids $!"
  i=$((i + 1))
done
status=0
i=0
for pid in $pids; do
  wait "$pid" || status=1
  echo "--- shard $i of $shards"
  cat "$out/$i"
  i=$((i + 1))
done
exit $status
