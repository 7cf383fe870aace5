#!/bin/sh
# What a user does with the installed program, on a display that is already there (xvfb-run) and
# a session bus (dbus-run-session), against the utility doubles (QUORVEX_CONNECT_TO and
# QUORVEX_EXTRA_CA_FILE set): fetch an avatar and save it through the save dialog, save it again
# into /usr (which must fail with a message box), run the speed test. Screenshots and what a
# screen reader finds (atspi-names.py beside this script) go to OUT_DIR:
#   user-session-check.sh COMMAND OUT_DIR
# Needs xdotool, imagemagick, python3-pyatspi. Used by deb-install-check.sh.
set -eu
command=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
names() { /usr/bin/python3 "$here/atspi-names.py" >"$out/names-$1.txt" || true; }
# Wakes the accessibility bus first: a program finds it only when it is there at its start.
/usr/bin/python3 "$here/atspi-names.py" nothing >/dev/null 2>&1 || true
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 $command &
app=$!
for _ in $(seq 1 100); do xdotool search --onlyvisible --name Quorvex >/dev/null 2>&1 && break; sleep 0.2; done
sleep 2
# Clicks at a point of a window given in its own coordinates (no window manager: no frames).
at() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + $2)) $((Y + $3)) click 1
}
main=$(xdotool search --onlyvisible --name Quorvex | head -n 1)
# The child window: the newest visible top-level window other than the main window.
child() { xdotool search --onlyvisible --maxdepth 1 --name "" | grep -v -x "$main" | sort -n | tail -n 1; }
shot() { import -window root "$out/$1.png"; }

at "$main" 84 263; sleep 0.5                    # 工具集2
at "$main" 244 191; sleep 1                     # 取QQ头像
w=$(child)
at "$w" 154 72; xdotool type 10001
at "$w" 154 112; sleep 2                        # 获取头像
at "$w" 154 248; sleep 1.5                      # the picture: the save dialog
shot save-dialog
xdotool key Return; sleep 1.5                   # the offered name in the offered folder
at "$w" 154 248; sleep 1.5                      # again, into a folder the user cannot write
xdotool key ctrl+a; xdotool type /usr/HeadPortrait.png; xdotool key Return; sleep 1.5
shot failed-save
names avatar
xdotool key Return; sleep 0.5                   # closes the message box
at "$w" 290 18; sleep 0.5                       # 关闭

at "$main" 84 263; sleep 0.5
at "$main" 364 191; sleep 1                     # 网速测试
w=$(child)
at "$w" 170 110                                 # the picture starts the test
sleep 20
shot speedtest
names speedtest
kill $app
