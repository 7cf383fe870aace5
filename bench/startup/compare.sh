#!/usr/bin/env bash
# Runs the start-up benchmark and prints the ratio of the program's start-up to the minimal
# Qt window program. Usage: bench/startup/compare.sh <build dir>
set -euo pipefail
build=${1:-build}
out=$("$build/bench/startup/qx_startup_bench" --benchmark_format=console 2>/dev/null)
echo "$out"
minimal=$(echo "$out" | awk '/^BM_MinimalQtWindow/ {print $2; exit}')
quorvex=$(echo "$out" | awk '/^BM_QuorvexStartUp/ {print $2; exit}')
awk -v q="$quorvex" -v m="$minimal" 'BEGIN { printf "start-up ratio (quorvex / minimal Qt window): %.2f\n", q / m }'
