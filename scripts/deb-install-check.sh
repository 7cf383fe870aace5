#!/usr/bin/env bash
# Installs the .deb into a fresh Debian 12 root and checks it the way a user meets it: apt
# resolves its dependencies, the menu entry and the AppStream file validate, the menu's command
# starts the program as an ordinary user under Xvfb (screenshot), Temp lands in the user's cache,
# and removing the package leaves none of its files behind. Then, as that user in a German
# session (de_DE.UTF-8) against the local doubles: the avatar window's picture is saved through
# the save dialog (Chinese, opened in the user's folder) and the file must lie there; a save into
# /usr must say why it failed; the speed test's average must read with a decimal point; the
# buttons must carry names through AT-SPI. Screenshots of each step.
#
#   scripts/deb-install-check.sh <quorvex_*.deb> [root folder]   (as root; needs debootstrap and
#   build/tests/support/doubles/utility_doubles, or its path in QX_UTILITY_DOUBLES)
#
# The root is made once with debootstrap (minbase) and kept; the screenshots go to
# <root>/../deb-install-check*.png.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
doubles_bin=$(realpath "${QX_UTILITY_DOUBLES:-$here/../build/tests/support/doubles/utility_doubles}")
[ -x "$doubles_bin" ] || { echo "no utility_doubles at $doubles_bin (build it first)" >&2; exit 1; }
deb=$(realpath "$1")
root=$(realpath -m "${2:-/tmp/quorvex-deb-root}")
shot="$(dirname "$root")/deb-install-check.png"
[ -x "$root/usr/bin/apt-get" ] || debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian
cp /etc/resolv.conf "$root/etc/resolv.conf"
mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
trap 'umount "$root/proc" 2>/dev/null || true' EXIT
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }
step() { echo "[deb-install-check] $*"; }

# What the check itself uses, installed before the package so the package brings its own deps.
in_root apt-get update -q >/dev/null
in_root apt-get install -y -q --no-install-recommends xvfb xauth x11-utils imagemagick \
  desktop-file-utils appstream xdotool locales dbus at-spi2-core python3-pyatspi >/dev/null
# A German session: the locale writes a decimal comma.
in_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
in_root locale-gen >/dev/null
id -u tester >/dev/null 2>&1 || in_root useradd -m tester 2>/dev/null || true

list_files() { in_root find / -xdev \( -path /proc -o -path /tmp -o -path /var -o -path /home \) -prune -o -print | sort; }
in_root apt-get remove --purge -y -q quorvex >/dev/null 2>&1 || true  # a run before this one
list_files >"$root/tmp/before.txt"
cp "$deb" "$root/tmp/"
step "apt-get install ./$(basename "$deb")"
in_root apt-get install -y -q "/tmp/$(basename "$deb")" >/dev/null
for f in /usr/bin/quorvex /usr/bin/quorvex-cli /usr/share/applications/com.quorvex.Toolbox.desktop \
         /usr/share/metainfo/com.quorvex.Toolbox.metainfo.xml \
         /usr/share/icons/hicolor/256x256/apps/com.quorvex.Toolbox.png \
         /usr/share/bash-completion/completions/quorvex-cli; do
  [ -e "$root$f" ] || { echo "missing after install: $f" >&2; exit 1; }
done
in_root desktop-file-validate /usr/share/applications/com.quorvex.Toolbox.desktop
in_root appstreamcli validate --no-net --pedantic /usr/share/metainfo/com.quorvex.Toolbox.metainfo.xml
in_root quorvex-cli encode 'Quorvex工具箱' | grep -q '%u5DE5%u5177%u7BB1'

# The menu's command, as the user, on a virtual screen.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/com.quorvex.Toolbox.desktop" | head -n 1)
command=${exec_line%% %*}
step "starting \"$command\" as tester under Xvfb"
in_root su tester -c "cd ~ && rm -rf ~/.cache/quorvex && xvfb-run -a -s '-screen 0 1024x768x24' sh -c '
  $command & pid=\$!
  for i in \$(seq 1 100); do
    xwininfo -root -tree 2>/dev/null | grep -q \"Quorvex\" && break; sleep 0.2
  done
  sleep 2
  import -window root /tmp/deb-install-check.png
  kill \$pid; wait \$pid 2>/dev/null || true'"
cp "$root/tmp/deb-install-check.png" "$shot"
[ -d "$root/home/tester/.cache/quorvex/Temp" ] || { echo "Temp not in the user's cache" >&2; exit 1; }
[ ! -e "$root/usr/bin/Temp" ] || { echo "Temp written next to the installed program" >&2; exit 1; }
step "Temp is in ~/.cache/quorvex; screenshot: $shot"

# As the user in a German session, against the doubles running outside the root (the root
# shares the network): save the avatar, fail a save into /usr, run the speed test.
step "avatar save and speed test as tester with LANG=de_DE.UTF-8"
"$doubles_bin" $((20 * 1048576)) >"$root/tmp/doubles.out" &
doubles=$!
trap 'kill $doubles 2>/dev/null || true; umount "$root/proc" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ "$(wc -l <"$root/tmp/doubles.out")" -ge 2 ] && break; sleep 0.1; done
cp "$(sed -n 2p "$root/tmp/doubles.out")" "$root/tmp/qx-test-ca.pem"
chmod 644 "$root/tmp/qx-test-ca.pem"
cp "$here/atspi-names.py" "$here/user-session-check.sh" "$root/tmp/"
rm -rf "$root/tmp/qx-user-shots" "$root/home/tester/HeadPortrait.png"
in_root su tester -c "cd ~ && env LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 \
  QUORVEX_CONNECT_TO='$(sed -n 1p "$root/tmp/doubles.out")' QUORVEX_EXTRA_CA_FILE=/tmp/qx-test-ca.pem \
  dbus-run-session -- xvfb-run -a -s '-screen 0 1280x800x24' sh /tmp/user-session-check.sh $command /tmp/qx-user-shots"
kill $doubles 2>/dev/null || true
for name in save-dialog failed-save speedtest; do
  cp "$root/tmp/qx-user-shots/$name.png" "$(dirname "$root")/deb-install-check-$name.png"
done
saved=""
for f in "$root/home/tester/HeadPortrait.png" "$root"/home/tester/*/HeadPortrait.png; do
  [ -e "$f" ] && { saved=$f; break; }
done
[ -n "$saved" ] || { echo "the avatar was not saved into the user's folder" >&2; exit 1; }
[ ! -e "$root/usr/bin/HeadPortrait.png" ] && [ ! -e "$root/usr/HeadPortrait.png" ] ||
  { echo "saved into the install's folders" >&2; exit 1; }
step "avatar saved as ${saved#"$root"}"
names="$root/tmp/qx-user-shots/names-avatar.txt"
grep -q "保存文件失败：/usr/HeadPortrait.png" "$names" ||
  { echo "no message box about the failed save into /usr:"; cat "$names"; exit 1; } >&2
grep -q "原因：没有权限" "$names" || { echo "the failed save gives no reason" >&2; exit 1; }
step "the save into /usr said why it failed"
grep -qP "^push button\t关闭\t" "$names" || { echo "the close button has no name over AT-SPI" >&2; exit 1; }
caption=$(grep -o '您的平均接入速度：[^	]*' "$root/tmp/qx-user-shots/names-speedtest.txt" | head -n 1)
echo "$caption" | grep -qE '：[0-9]+\.[0-9]+MB/s$' ||
  { echo "the average speed does not read with a decimal point: '$caption'" >&2; exit 1; }
step "speed test in de_DE.UTF-8: $caption; screenshots: $(dirname "$root")/deb-install-check-*.png"

step "apt-get remove --purge quorvex"
in_root apt-get remove --purge -y -q quorvex >/dev/null
list_files >"$root/tmp/after.txt"
left=$(comm -13 "$root/tmp/before.txt" "$root/tmp/after.txt" | grep -i quorvex || true)
[ -z "$left" ] || { echo "left behind after removal:"; echo "$left"; exit 1; } >&2
step "removed: no file of the package left"
