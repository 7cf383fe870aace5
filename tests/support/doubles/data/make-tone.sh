#!/bin/sh
# Makes tone-1s.mp3: one second of a 440 Hz tone, mono, 16 kHz, encoded by Debian's lame.
# The tests keep the result; run this only to make it again (apt-get install lame).
set -eu
cd "$(dirname "$0")"
python3 - <<'PY'
import math, struct
rate = 16000
with open("tone.raw", "wb") as f:
    for i in range(rate):
        f.write(struct.pack("<h", int(12000 * math.sin(2 * math.pi * 440 * i / rate))))
PY
lame --silent -r -s 16 -m m --bitwidth 16 --signed --little-endian -b 24 tone.raw tone-1s.mp3
rm -f tone.raw
