#!/usr/bin/env bash
# Makes the pictures the README shows with quarbel-convert: a grey depth map, the Design image it
# gives, a random-dot and a colour-field stereogram of it, and the depth revealed from each; a JPEG
# copy of a colour random-dot stereogram (ImageMagick's convert writes it) and what reveal reads
# from it with nothing given.
#   scripts/readme-pictures.sh [QUARBEL-CONVERT]    (default build/app/quarbel-convert)
set -euo pipefail
cd "$(dirname "$0")/.."
convert=${1:-build/app/quarbel-convert}
out=docs/pictures
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The depth map: a plateau, a disc standing on it and a small block in front, on a far background.
python3 - "$work/depth.bmp" <<'PY'
import struct, sys
w, h = 320, 180
def grey(x, y):
    level = 0
    if 40 <= x < 200 and 30 <= y < 150:
        level = 6
    if (x - 120) ** 2 + (y - 90) ** 2 < 45 ** 2:
        level = 11
    if 215 <= x < 250 and 60 <= y < 120:
        level = 15
    return level * 17
stride = (w * 3 + 3) // 4 * 4
rows = b"".join(b"".join(bytes((grey(x, y),) * 3) for x in range(w)) + b"\0" * (stride - w * 3)
                for y in range(h - 1, -1, -1))
header = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54) + \
    struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + rows)
PY
# A 70-pixel pattern for the colour field: soft stripes.
python3 - "$work/pattern.bmp" <<'PY'
import struct, sys, math
w, h = 70, 40
def colour(x, y):
    return (int(120 + 100 * math.sin(x / 5.0 + y / 9.0)), int(140 + 90 * math.sin(y / 4.0)), int(128 + 120 * math.cos((x + 2 * y) / 7.0)))
stride = (w * 3 + 3) // 4 * 4
rows = b"".join(b"".join(bytes(reversed(colour(x, y))) for x in range(w)) + b"\0" * (stride - w * 3)
                for y in range(h - 1, -1, -1))
header = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54) + \
    struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + rows)
PY

"$convert" picture "$work/depth.bmp" -o "$out/depth.png"
"$convert" design "$work/depth.bmp" -o "$out/design.png"
"$convert" random-dot "$out/design.png" -o "$out/random-dot.png" --density 50 --seed 1
"$convert" reveal "$out/random-dot.png" -o "$out/random-dot-revealed.png" --repeat 70 --depth 20
"$convert" color-field "$out/design.png" "$work/pattern.bmp" --tile -o "$out/color-field.png"
"$convert" reveal "$out/color-field.png" -o "$out/color-field-revealed.png"
"$convert" random-dot "$out/design.png" -o "$work/color.png" --mode color --density 50 --seed 2
convert "$work/color.png" -quality 75 "$out/random-dot-q75.jpg"
"$convert" reveal "$out/random-dot-q75.jpg" -o "$out/random-dot-q75-revealed.png"
ls -l "$out"
