#!/usr/bin/env bash
# Runs the real program under Xvfb against the local doubles of the QQ avatar service, a web site
# with a 16x16 favicon and the speed-test file (paced at 20 MB/s), clicks through the three
# windows with xdotool and saves a screenshot of each:
#   scripts/images-speedtest-screenshot.sh [OUT_DIR]      (after a build of quorvex and utility_doubles)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/images-screenshots}
mkdir -p "$out"
build/tests/support/doubles/utility_doubles $((20 * 1048576)) > "$out/doubles.out" &
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
  # Clicks at a point of a window given in its own coordinates (no window manager: no frames).
  at() { eval "$(xdotool getwindowgeometry --shell "$1")"; xdotool mousemove $((X + $2)) $((Y + $3)) click 1; }
  main=$(xdotool search --onlyvisible --name "Quorvex" | head -n 1)
  # The child window: the newest visible top-level window other than the main window and the root.
  child() { xdotool search --onlyvisible --maxdepth 1 --name "" | grep -v -x "$main" | sort -n | tail -n 1; }
  shot() { import -window root "$OUT/$1.png"; }

  at "$main" 84 263; sleep 0.5              # 工具集2
  at "$main" 244 191; sleep 1               # 取QQ头像
  w=$(child); at "$w" 154 72; xdotool type 10001
  at "$w" 154 112; sleep 2; shot avatar     # 获取头像
  at "$w" 290 18; sleep 0.5                 # close

  at "$main" 84 215; sleep 0.5              # 工具集
  at "$main" 295 251; sleep 1               # 网站取图标
  w=$(child); at "$w" 160 128; xdotool type icon.example
  at "$w" 160 164; sleep 2; shot siteicon   # 获取图标
  at "$w" 306 18; sleep 0.5

  at "$main" 84 263; sleep 0.5
  at "$main" 364 191; sleep 1               # 网速测试
  w=$(child); at "$w" 170 110               # the picture
  sleep 8; shot speedtest-running
  sleep 11; shot speedtest-done
  kill $app'
echo "screenshots in $out; files in build/src/app/Temp:"
ls -l build/src/app/Temp
