#!/bin/sh
# Colour picker under a headless weston with the stand-in portal on a private session bus.
# Usage: scripts/tools-wayland-screenshots.sh BUILD_DIR OUT_DIR
set -u
B=$(realpath "$1"); OUT=$(realpath "$2"); mkdir -p "$OUT"
export XDG_RUNTIME_DIR=$(mktemp -d); chmod 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --use-pixman --socket=qx-wl --width=1024 --height=700 --debug --xwayland \
  >"$OUT/weston.log" 2>&1 &
WESTON=$!
sleep 2
shot() { (cd "$XDG_RUNTIME_DIR" && rm -f wayland-screenshot-*.png && WAYLAND_DISPLAY=qx-wl weston-screenshooter &&
          mv wayland-screenshot-*.png "$OUT/$1.png"); }
run() {  # run NAME PORTAL-ARGS...  ("none": no portal at all)
  name=$1; shift
  dbus-run-session -- sh -c '
    [ "$1" = none ] || { "$0"/tests/tools/colorpick/qx_portal_standin "$@" & sleep 1; }
    WAYLAND_DISPLAY=qx-wl QT_QPA_PLATFORM=wayland "$0"/tools/colorpick/qx_tool_colorpick --pick &
    P=$!; echo $P > "$XDG_RUNTIME_DIR/picker.pid"; wait $P' "$B" "$@" &
  RUN=$!; sleep 6; shot "$name"; kill "$(cat "$XDG_RUNTIME_DIR/picker.pid")"; wait $RUN 2>/dev/null
}
run wayland-colour --color 0.1176,0.5647,1
run wayland-refused --color 0.1176,0.5647,1 --refuse-first
run wayland-no-portal none
# Window information on the same desktop: an X11 program through XWayland, the tool (an X11
# program there too) lists it and says native Wayland windows cannot be inspected.
XD=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$OUT/weston.log" | head -1)
DISPLAY=$XD display -title x11-sample -size 120x80 xc:'#C04020' & IMG=$!
sleep 2
WAYLAND_DISPLAY=qx-wl DISPLAY=$XD "$B/tools/windowinfo/qx_tool_windowinfo" & WI=$!
sleep 4; shot wayland-windowinfo; kill $WI $IMG; wait $WI $IMG 2>/dev/null
kill $WESTON; wait $WESTON 2>/dev/null
ls -l "$OUT"
