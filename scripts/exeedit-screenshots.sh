#!/bin/sh
# EXE编辑 under Xvfb: a sample PE, ProductName changed, the icon group replaced, saved as a new file,
# then read back by our reader and LIEF. Usage: scripts/exeedit-screenshots.sh BUILD_DIR OUT_DIR
set -u
B=$(realpath "$1"); W=$(realpath "$2"); mkdir -p "$W"; rm -f "$W"/*.exe
"$B/tests/tools/exeview/qx_pe_sample" make "$W/样例.exe" "$W/new.ico"
Xvfb :133 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 & XV=$!
sleep 1; export DISPLAY=:133
QT_QPA_PLATFORM=xcb "$B/tools/exeview/qx_tool_exeview" "$W/样例.exe" 2>/dev/null & T=$!
sleep 3
xdotool mousemove 184 194 click 1; sleep 1                       # 修改版本字符串…
xdotool key ctrl+a type --delay 40 ProductName; xdotool key Return; sleep 1
xdotool key ctrl+a; xdotool type --delay 80 '新名字 2.0'; sleep 0.5
import -window root "$W/edit-1-value.png"; xdotool key Return; sleep 1
xdotool key Return; sleep 0.5                                    # the note
xdotool mousemove 290 194 click 1; sleep 1.5                     # 替换图标…
xdotool type --delay 30 "$W/new.ico"; xdotool key Return; sleep 1.5
import -window root "$W/edit-2-icon.png"; xdotool key Return; sleep 0.5
xdotool mousemove 596 194 click 1; sleep 1.5                     # 另存为… (样例_已修改.exe)
xdotool key Return; sleep 3
import -window root "$W/edit-3-saved.png"; xdotool key Return; sleep 0.5
kill $T $XV; wait $T $XV 2>/dev/null
"$B/tests/tools/exeview/qx_pe_sample" show "$W/样例_已修改.exe"
