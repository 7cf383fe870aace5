#!/usr/bin/env bash
# Drives the real program under Xvfb (after a build into build/): the web tester fetches a 300 KB
# one-line UTF-8 answer from a local server with "UTF8解码" ticked, "复制" copies it, and the
# clipboard must hold the served bytes exactly; a screenshot of the tester window is kept.
#   scripts/tester-copy-check.sh [OUT-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--inside" ]; then
  out=$2 url=$3
  where() {
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
      g=$(xdotool getwindowgeometry "$id" 2>/dev/null) || continue
      if echo "$g" | grep -q "Geometry: $1x$2"; then
        echo "$g" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'
        return
      fi
    done
    echo "no window of $1x$2" >&2
    exit 1
  }
  click() { xdotool mousemove "$(($1 + $3))" "$(($2 + $4))" click 1; sleep 0.4; }
  build/src/app/quorvex & app=$!
  sleep 3
  read -r mx my < <(where 732 354)
  click "$mx" "$my" 84 216           # 工具集
  click "$mx" "$my" 552 252          # 网页测试
  read -r tx ty < <(where 523 603)
  click "$tx" "$ty" 200 104          # the address box
  xdotool type --delay 20 "$url"
  click "$tx" "$ty" 424 348          # UTF8解码
  click "$tx" "$ty" 452 71           # 发送请求
  sleep 3
  click "$tx" "$ty" 128 348          # 复制
  sleep 1
  xclip -o -selection clipboard > "$out/clipboard.txt"
  import -window root -crop "523x603+$tx+$ty" +repage "$out/tester.png"
  kill "$app"
  exit 0
fi

out=$(realpath -m -- "${1:-build/tester-screenshots}")
mkdir -p "$out/served"
# 300 KB of minified JSON on one line, Chinese and ASCII.
python3 - "$out/served/answer.json" <<'EOF'
import sys
items, size, i = [], 0, 0
while size < 300 * 1024:
    item = '{"id":%d,"名称":"第%d项","值":"%s"}' % (i, i, 'x' * (i % 50))
    items.append(item)
    size += len(item.encode('utf-8')) + 1
    i += 1
open(sys.argv[1], 'wb').write(('{"items":[' + ','.join(items) + ']}').encode('utf-8'))
EOF
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$out/served" "$port" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
sleep 1
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inside "$out" "127.0.0.1:$port/answer.json"
size=$(stat -c %s "$out/served/answer.json")
cmp "$out/served/answer.json" "$out/clipboard.txt" || { echo "the clipboard differs from the $size served bytes" >&2; exit 1; }
echo "tester: the clipboard holds all $size served bytes; screenshot in $out/tester.png"
