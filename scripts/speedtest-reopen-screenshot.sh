#!/usr/bin/env bash
# Runs the real program under Xvfb against a speed-test server that starts sending only after
# five seconds: runs one test, closes the window, reopens it and tests again, with screenshots
# of the reopened window every second once the late download has begun (none may show a
# negative speed):
#   scripts/speedtest-reopen-screenshot.sh [OUT_DIR]   (after a build of quorvex and utility_doubles)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/speedtest-reopen-screenshots}
mkdir -p "$out"
build/tests/support/doubles/utility_doubles $((20 * 1048576)) 5000 > "$out/doubles.out" &
doubles=$!
trap 'kill $doubles 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ "$(wc -l < "$out/doubles.out")" -ge 2 ] && break; sleep 0.1; done
export QUORVEX_CONNECT_TO="$(sed -n 1p "$out/doubles.out")"
export QUORVEX_EXTRA_CA_FILE="$(sed -n 2p "$out/doubles.out")"
export OUT="$out" QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  set -e
  build/src/app/quorvex & app=$!
  sleep 3
  at() { eval "$(xdotool getwindowgeometry --shell "$1")"; xdotool mousemove $((X + $2)) $((Y + $3)) click 1; }
  main=$(xdotool search --onlyvisible --name "Quorvex" | head -n 1)
  child() { xdotool search --onlyvisible --maxdepth 1 --name "" | grep -v -x "$main" | sort -n | tail -n 1; }
  crop() { eval "$(xdotool getwindowgeometry --shell "$1")"; import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$OUT/$2.png"; }

  at "$main" 84 263; sleep 0.5              # 工具集2
  at "$main" 364 191; sleep 1               # 网速测试
  w=$(child); at "$w" 170 110               # the first test
  sleep 20; crop "$w" first-done
  at "$w" 322 18; sleep 1                   # close
  at "$main" 364 191; sleep 1               # reopened
  w=$(child); at "$w" 170 110               # the second test: nothing comes for five seconds
  sleep 5.6
  for s in 6 7 8 9 10; do crop "$w" reopened-second-$s; sleep 1; done
  sleep 8; crop "$w" reopened-done
  kill $app'
echo "screenshots in $out"
