#!/bin/sh
# Colour picker under Xvfb: an X window of a known colour, "开始取色", a click on it.
# Usage: scripts/colourpick-screenshot.sh BUILD_DIR OUT_DIR
set -u
B=$(realpath "$1"); OUT=$(realpath "$2"); mkdir -p "$OUT"
Xvfb :131 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & XV=$!
sleep 1; export DISPLAY=:131
display -title colour -geometry +860+40 -size 150x150 xc:'#20A060' & IMG=$!
QT_QPA_PLATFORM=xcb "$B/tools/colorpick/qx_tool_colorpick" & PICK=$!
sleep 3
xdotool mousemove 318 374 click 1; sleep 1     # 开始取色
xdotool mousemove 930 110 click 1; sleep 1     # on the green window
import -window root "$OUT/xvfb-colour.png"
kill $PICK $IMG $XV; wait $PICK $IMG $XV 2>/dev/null
