#!/usr/bin/env bash
# Installs the Debian packages the project needs; quiet and quick when all are there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libicu-dev libcurl4-openssl-dev libssl-dev
  duktape-dev libpcre2-dev libgumbo-dev libopencc-dev opencc
  libmpg123-dev mpg123 libpng-dev zlib1g-dev libgif-dev qt6-image-formats-plugins qt6-translations-l10n
  xvfb xauth x11-utils xdotool xclip imagemagick fonts-wqy-microhei curl
  desktop-file-utils appstream libxcb1-dev libxcb-ewmh-dev liblief-dev libnm-dev
  dbus-daemon weston xwayland qt6-wayland
  clang-14 libclang-rt-14-dev
  libcli11-dev nlohmann-json3-dev libfontconfig-dev
  locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
