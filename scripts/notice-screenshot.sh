#!/usr/bin/env bash
# Starts the real program under Xvfb against the local notice double and takes a screenshot:
#   scripts/notice-screenshot.sh [NOTE.html] [OUT.png]      (after a build into build/)
set -euo pipefail
cd "$(dirname "$0")/.."
note=${1:-tests/notice/sample-note.html}
out=${2:-build/notice-screenshot.png}
build/tests/support/doubles/notice_double "$note" > build/notice-double.out &
double=$!
trap 'kill $double 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ "$(wc -l < build/notice-double.out)" -ge 2 ] && break; sleep 0.1; done
connect=$(sed -n 1p build/notice-double.out)
ca=$(sed -n 2p build/notice-double.out)
xvfb-run -a -s "-screen 0 900x500x24" sh -c "
  QUORVEX_CONNECT_TO='$connect' QUORVEX_EXTRA_CA_FILE='$ca' build/src/app/quorvex & app=\$!
  sleep 4; import -window root '$out'; kill \$app" 2>/dev/null
echo "screenshot: $out"
