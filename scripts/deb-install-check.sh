#!/usr/bin/env bash
# Installs the .deb into a fresh Debian 12 root and checks it the way a user meets it: apt
# resolves its dependencies, the menu entry and the AppStream file validate, the menu's command
# starts the program as an ordinary user under Xvfb (screenshot), Temp lands in the user's cache,
# and removing the package leaves none of its files behind.
#
#   scripts/deb-install-check.sh <quorvex_*.deb> [root folder]   (as root; needs debootstrap)
#
# The root is made once with debootstrap (minbase) and kept; the screenshot goes to
# <root>/../deb-install-check.png.
set -euo pipefail
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
  desktop-file-utils appstream >/dev/null
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

step "apt-get remove --purge quorvex"
in_root apt-get remove --purge -y -q quorvex >/dev/null
list_files >"$root/tmp/after.txt"
left=$(comm -13 "$root/tmp/before.txt" "$root/tmp/after.txt" | grep -i quorvex || true)
[ -z "$left" ] || { echo "left behind after removal:"; echo "$left"; exit 1; } >&2
step "removed: no file of the package left"
