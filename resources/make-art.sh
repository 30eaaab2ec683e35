#!/usr/bin/env bash
# Draws the program's icon (tidewell.ico: 16, 20, 24, 32, 48 and 256 px) and the
# header logo (logo.png, 99 x 29, and logo.bmp, the form the exe carries) with
# ImageMagick. The outputs are committed, so
# the build never runs this; run it again after changing the art:
#   resources/make-art.sh
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The motif: a water drop in deep blue whose lower part is a lighter swell, with
# one white wave crest across it. Drawn once at 1024 px and scaled down, so each
# size is antialiased from the same shape.
S=1024
drop="M 512,52 C 512,52 186,430 186,640 A 326,326 0 0 0 838,640 C 838,430 512,52 512,52 Z"
wave_fill="M 0,610 C 150,540 300,540 450,610 C 600,680 750,680 1024,590 L 1024,1024 L 0,1024 Z"
crest="M 170,632 C 300,560 420,560 512,620 C 610,684 720,684 860,610"

convert -size ${S}x${S} xc:none -fill white -draw "path '$drop'" "$work/mask.png"
convert -size ${S}x${S} gradient:'#2b8fd6'-'#0f4c8a' -alpha set \
  \( -size ${S}x${S} xc:none -fill '#39b7e4' -draw "path '$wave_fill'" \) -composite \
  \( -size ${S}x${S} xc:none -fill none -stroke white -strokewidth 64 -draw "path '$crest'" \) -composite \
  "$work/mask.png" -compose DstIn -composite "$work/drop.png"
# A thin darker rim keeps the drop readable on light task bars.
convert -size ${S}x${S} xc:none -fill none -stroke '#0b3a6b' -strokewidth 20 -draw "path '$drop'" \
  "$work/drop.png" -compose DstOver -composite "$work/drop-rim.png"

for px in 16 20 24 32 48 256; do
  convert "$work/drop-rim.png" -filter Lanczos -resize ${px}x${px} -unsharp 0x0.6 \
    -define png:color-type=6 "$work/icon-$px.png"
done
convert "$work/icon-256.png" -depth 8 -define png:color-type=6 "$work/icon-256.png"
# ImageMagick stores the sizes below 256 as plain bitmaps, which Windows draws without
# an image decoder; the 256 px one stays PNG (8 bits a channel: a third of the bytes).
convert "$work"/icon-16.png "$work"/icon-20.png "$work"/icon-24.png "$work"/icon-32.png \
        "$work"/icon-48.png "$work"/icon-256.png tidewell.ico
# The 256 px frame (only Explorer's large views read it) packed tighter by zopfli,
# unfiltered rows: a fifth smaller, the same pixels (Debian package zopfli).
python3 - tidewell.ico <<'PY'
import struct, subprocess, sys, tempfile
path = sys.argv[1]
ico = open(path, "rb").read()
count = struct.unpack_from("<H", ico, 4)[0]
entries = [list(struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)) for i in range(count)]
frames = [ico[e[7]:e[7] + e[6]] for e in entries]
with tempfile.TemporaryDirectory() as tmp:
    for i, frame in enumerate(frames):
        if frame.startswith(b"\x89PNG"):
            open(f"{tmp}/in.png", "wb").write(frame)
            subprocess.run(["zopflipng", "-y", "--iterations=15", "--filters=0meb", f"{tmp}/in.png",
                            f"{tmp}/out.png"], check=True, stdout=subprocess.DEVNULL)
            frames[i] = open(f"{tmp}/out.png", "rb").read()
out = bytearray(ico[:6])
offset = 6 + 16 * count
for e, frame in zip(entries, frames):
    e[6], e[7] = len(frame), offset
    out += struct.pack("<BBBBHHII", *e)
    offset += len(frame)
open(path, "wb").write(out + b"".join(frames))
PY

# The logo: the drop at header height, then the word mark in slate blue.
convert "$work/drop-rim.png" -filter Lanczos -resize 23x23 "$work/logo-drop.png"
convert -size 99x29 xc:none \
  "$work/logo-drop.png" -geometry +2+3 -composite \
  -font DejaVu-Sans-Bold -pointsize 14.5 -fill '#1f3b57' -kerning 0.2 \
  -annotate +28+20 'Tidewell' \
  -depth 8 -define png:color-type=6 -strip logo.png
# The exe carries the logo as a 32-bit BMP file, top-down, with straight alpha in each
# pixel's fourth byte (app/win32/look/picture.h reads it): drawing it then needs no image
# decoder at start, only the system's alpha blending.
convert logo.png -depth 8 RGBA:"$work/logo.rgba"
python3 - "$work/logo.rgba" 99 29 logo.bmp <<'PY'
import struct, sys
raw, w, h, out = open(sys.argv[1], "rb").read(), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
bgra = bytearray()
for i in range(0, len(raw), 4):
    r, g, b, a = raw[i:i + 4]
    bgra += bytes((b, g, r, a))
info = struct.pack("<IiiHHIIiiII", 40, w, -h, 1, 32, 0, len(bgra), 2835, 2835, 0, 0)
with open(out, "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 14 + len(info) + len(bgra), 0, 0, 14 + len(info)) + info + bgra)
PY
identify tidewell.ico logo.png logo.bmp
