#!/usr/bin/env bash
# Drives the real program under Xvfb with xdotool and takes screenshots (after a build into build/):
#   scripts/speech-encoder-regex-screenshot.sh [OUT-FOLDER]
# "文本转语音" against the local speech double (answers after 1.5 s): types a text, "转换", checks
# that Temp/audio.mp3 holds the double's MP3 and that the double saw the exact query, plays it
# (dummy sound output); then "编码转换" (copy, paste, "编码") and "正则调试" ("匹配").
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--inside" ]; then
  out=$2
  # The visible window of that size: "X Y".
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
  shot() { import -window root -crop "$3x$4+$1+$2" +repage "$out/$5.png"; }

  build/src/app/quorvex & app=$!
  sleep 3
  read -r mx my < <(where 732 354)
  click "$mx" "$my" 84 264           # 工具集2
  click "$mx" "$my" 244 144          # 文本转语音
  read -r sx sy < <(where 324 294)
  click "$sx" "$sy" 162 108          # the text box
  xdotool type --delay 30 "你好 world_~'()*"
  click "$sx" "$sy" 129 224          # 转换
  shot "$sx" "$sy" 324 294 speech-converting
  sleep 2.5
  shot "$sx" "$sy" 324 294 speech-converted
  click "$sx" "$sy" 284 224          # >
  shot "$sx" "$sy" 324 294 speech-playing
  sleep 1.5
  click "$sx" "$sy" 307 20           # close
  click "$mx" "$my" 84 216           # 工具集
  click "$mx" "$my" 296 300          # 编码转换
  read -r ex ey < <(where 685 517)
  click "$ex" "$ey" 344 156          # the input box
  xdotool type --delay 30 "A 中文 a+b'()~"
  xdotool key ctrl+a ctrl+c; sleep 0.2
  xdotool type --delay 30 "typed over"
  click "$ex" "$ey" 366 288          # 粘贴
  click "$ex" "$ey" 486 288          # 编码
  shot "$ex" "$ey" 685 517 encoder
  click "$ex" "$ey" 660 28           # close
  click "$mx" "$my" 552 300          # 正则调试
  read -r rx ry < <(where 380 506)
  click "$rx" "$ry" 190 72           # the pattern box
  xdotool type --delay 30 "abc|a+"
  click "$rx" "$ry" 192 200          # the text box
  xdotool type --delay 30 "baa ABC"; xdotool key Return; xdotool type --delay 30 "xAbc 中文"
  click "$rx" "$ry" 306 104          # 匹配
  shot "$rx" "$ry" 380 506 regextester
  kill "$app"
  exit 0
fi

out=$(realpath -m -- "${1:-build/speech-screenshots}")
mkdir -p "$out"
rm -f "$out/double.out"
build/tests/support/doubles/speech_double mp3 1500 > "$out/double.out" &
double=$!
trap 'kill $double 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$out/double.out" ] && break; sleep 0.1; done
connect=$(head -n 1 "$out/double.out")
rm -f build/src/app/Temp/audio.mp3
QUORVEX_CONNECT_TO="$connect,::127.0.0.1:9" QUORVEX_AUDIO_MODULE=dummy QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" "$0" --inside "$out"

expected='tex=%E4%BD%A0%E5%A5%BD+world%5F%7E'"'"'()*&cuid=baike&lan=ZH&ctp=1&pdt=301&vol=9&rate=32&per&qq-pf-to=pcqq.group'
grep -qxF "query $expected" "$out/double.out" || { echo "the double did not see: $expected" >&2; exit 1; }
cmp build/src/app/Temp/audio.mp3 tests/support/doubles/data/tone-1s.mp3 || { echo "Temp/audio.mp3 differs" >&2; exit 1; }
echo "speech: exact query seen, Temp/audio.mp3 holds the double's MP3; screenshots in $out"
