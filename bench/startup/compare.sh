#!/usr/bin/env bash
# The start-up table: wall time to a shown main window and peak memory against the minimal Qt
# window program (medians of 41 repetitions of fresh processes; the same window with one Chinese
# caption for reference), the memory of the idle program after a notice check against the local
# notice double, and the size of the executable.
# Usage: bench/startup/compare.sh <build dir>   (a RelWithDebInfo build with tests, e.g. build)
set -euo pipefail
build=${1:-build}
# Repetitions of the three programs interleaved, so a drift in the machine's speed hits all alike.
out=$("$build/bench/startup/qx_startup_bench" --benchmark_format=console --benchmark_enable_random_interleaving=true 2>/dev/null)
echo "$out"
median() { echo "$out" | awk -v n="^$1/.*_median$" '$1 ~ n {print $2; exit}'; }
peak() { echo "$out" | awk -v n="^$1/.*_median$" '$1 ~ n {for (i = 1; i <= NF; i++) if ($i ~ /^peak_MiB=/) {sub("peak_MiB=", "", $i); print $i}; exit}'; }
qt=$(median BM_MinimalQtWindow); qx=$(median BM_QuorvexStartUp); cw=$(median BM_CaptionWindow)
qtm=$(peak BM_MinimalQtWindow); qxm=$(peak BM_QuorvexStartUp); cwm=$(peak BM_CaptionWindow)
awk -v q="$qx" -v m="$qt" 'BEGIN { printf "start-up ratio (quorvex / minimal Qt window): %.2f  (%.1f ms / %.1f ms)\n", q / m, q, m }'
awk -v c="$cw" -v m="$qt" -v q="$qx" 'BEGIN { printf "  for reference: the minimal window with one Chinese caption %.2f (%.1f ms); quorvex / that window %.2f\n", c / m, c, q / c }'
awk -v q="$qxm" -v m="$qtm" 'BEGIN { printf "peak memory ratio: %.2f  (%.1f MiB / %.1f MiB)\n", q / m, q + 0, m + 0 }'
awk -v q="$qxm" -v c="$cwm" 'BEGIN { printf "  for reference: quorvex / the window with one Chinese caption %.2f (%.1f MiB)\n", q / c, c + 0 }'

# Where quorvex's memory beyond the caption window lies: resident KiB per mapping, one run each.
maps=$(mktemp -d)
QT_QPA_PLATFORM=offscreen QX_MAPPINGS_TO="$maps/qx" "$build/bench/startup/qx_startup_probe" >/dev/null 2>&1
QT_QPA_PLATFORM=offscreen QX_MAPPINGS_TO="$maps/cw" "$build/bench/startup/qx_caption_window" >/dev/null 2>&1
echo "resident KiB beyond the caption window, by mapping (differences of 32 KiB or more):"
awk 'FNR == 1 { run++ }
     /^[0-9a-f]+-[0-9a-f]+ / { name = NF >= 6 ? $6 : "[anonymous]"; sub(".*/", "", name); next }
     /^Rss:/ { rss[name, run] += $2; seen[name] = 1 }
     END { for (n in seen) { d = rss[n, 1] - rss[n, 2]; if (d >= 32 || d <= -32) printf "%8d  %s\n", d, n } }' \
  "$maps/qx" "$maps/cw" | sort -rn
rm -rf "$maps"

# Idle memory: the real program, offscreen, 5 s after start, its notice check answered by the double.
double_out=$(mktemp)
"$build/tests/support/doubles/notice_double" tests/notice/sample-note.html >"$double_out" &
double=$!
trap 'kill $double 2>/dev/null || true; rm -f "$double_out"' EXIT
for _ in $(seq 50); do [ "$(wc -l <"$double_out")" -ge 2 ] && break; sleep 0.1; done
QT_QPA_PLATFORM=offscreen QUORVEX_CONNECT_TO="$(sed -n 1p "$double_out")" \
  QUORVEX_EXTRA_CA_FILE="$(sed -n 2p "$double_out")" "$build/src/app/quorvex" &
app=$!
sleep 5
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$app/status")
kill $app
awk -v r="$rss" 'BEGIN { printf "idle memory after the notice check: %.1f MiB\n", r / 1024 }'

exe="$build/src/app/quorvex"
stripped=$(mktemp)
strip -o "$stripped" "$exe"
echo "executable: $(($(stat -c %s "$exe") / 1024)) KiB with debug information, $(($(stat -c %s "$stripped") / 1024)) KiB stripped"
rm -f "$stripped"
