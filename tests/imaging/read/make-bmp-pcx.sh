#!/bin/sh
# Regenerates the BMP and PCX read fixtures in bmp/ and pcx/ beside this script.
# Every input is written by an independent program (netpbm, ImageMagick, or Pillow under /usr/bin/python3);
# every expected <name>.ppm (and <name>.alpha.pgm for files with transparency) is decoded by Pillow and, where a
# second peer reads the variant correctly, checked against it. Nothing here uses our own codecs.
#
# Peer quirks found while making these (ImageMagick 6.9.11, netpbm 11, Pillow 9.4):
#   - ImageMagick decodes a 1-bit x 4-plane PCX as all black and a 1-bit PCX with inverted colours, and it never
#     writes either; those files come from ppmtopcx and are checked with pcxtoppm instead.
#   - Pillow decodes RLE4 absolute runs of odd length wrongly; rle4.ppm is ImageMagick's, checked by bmptopnm.
#   - Pillow and ImageMagick widen 16-bit samples differently (see below).
#   - No installed peer writes RLE4 or 16-bit BI_RGB; those two are packed by the small Python below from a
#     picture the peers then decode.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
py=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bmp="$here/bmp"
pcx="$here/pcx"
mkdir -p "$bmp" "$pcx"

# Source pictures, all 37x23 so that every row needs padding.
#   photo.ppm: smooth colour gradient (851 distinct-ish colours)
#   c256.ppm:  the same reduced to at most 256 colours; c16.ppm: 16 colours; two.ppm: red disc on blue
#   bw.ppm:    black and white
"$py" - "$work" <<'EOF'
import math, sys
from PIL import Image
w, h = 37, 23
im = Image.new("RGB", (w, h))
for y in range(h):
    for x in range(w):
        im.putpixel((x, y), (round(255 * x / (w - 1)), round(255 * y / (h - 1)),
                             round(127.5 + 127.5 * math.sin(6.0 * x / (w - 1) + 4.0 * y / (h - 1)))))
im.save(sys.argv[1] + "/photo.ppm")
EOF
convert "$work/photo.ppm" +dither -colors 256 -depth 8 "$work/c256.ppm"
convert "$work/photo.ppm" +dither -colors 16 -depth 8 "$work/c16.ppm"
convert -size 37x23 xc:blue -fill red +antialias -draw "circle 18,11 18,2" -depth 8 "$work/two.ppm"
convert "$work/two.ppm" -colorspace gray -threshold 50% -depth 8 -type truecolor "$work/bw.ppm"

# Pillow's decode of $1 as RGB into $2.ppm, plus $2.alpha.pgm when the file has alpha.
expect() {
    "$py" - "$1" "$2" <<'EOF'
import sys
from PIL import Image
im = Image.open(sys.argv[1])
im.load()
if im.mode in ("RGBA", "LA", "PA") or (im.mode == "P" and "transparency" in im.info):
    im = im.convert("RGBA")
    im.getchannel("A").save(sys.argv[2] + ".alpha.pgm")
im.convert("RGB").save(sys.argv[2] + ".ppm")
EOF
}
# Fails unless the peer command's PPM output ($2...) equals the expected $1.ppm.
agree() {
    want=$1
    shift
    "$@" > "$work/peer.ppm"
    test "$(compare -metric AE "$want.ppm" "$work/peer.ppm" null: 2>&1)" = 0 || {
        echo "peer disagrees on $want" >&2
        exit 1
    }
}
magick() { convert "$1" -depth 8 ppm:-; }

# --- BMP --------------------------------------------------------------------------------------------------------
ppmtobmp -windows -bpp 1 "$work/two.ppm" > "$bmp/pal1.bmp"              # 40-byte header, 2-entry palette
ppmtobmp -windows -bpp 4 "$work/c16.ppm" > "$bmp/pal4.bmp"
ppmtobmp -windows -bpp 8 "$work/c256.ppm" > "$bmp/pal8.bmp"
ppmtobmp -windows -bpp 24 "$work/photo.ppm" > "$bmp/rgb24.bmp"
ppmtobmp -os2 -bpp 1 "$work/bw.ppm" > "$bmp/os2-pal1.bmp"                # 12-byte header, 3-byte palette entries
ppmtobmp -os2 -bpp 4 "$work/c16.ppm" > "$bmp/os2-pal4.bmp"
ppmtobmp -os2 -bpp 8 "$work/c256.ppm" > "$bmp/os2-pal8.bmp"
convert "$work/photo.ppm" bmp2:"$bmp/os2-rgb24.bmp"                      # ImageMagick's OS/2 1.x writer
convert "$work/c256.ppm" -type palette -compress RLE bmp3:"$bmp/rle8.bmp" # 40-byte header, compression 1
convert "$work/photo.ppm" -define bmp:subtype=RGB565 bmp:"$bmp/rgb565.bmp" # V5 header, BI_BITFIELDS 5-6-5
convert "$work/photo.ppm" -define bmp:subtype=RGB555 bmp:"$bmp/rgb555.bmp" # V5 header, BI_BITFIELDS 5-5-5
# V5 header, BI_BITFIELDS with an alpha mask; alpha falls from 255 at the left to 0 at the right.
convert "$work/photo.ppm" -alpha set -channel A -fx "1-i/(w-1)" +channel bmp:"$bmp/argb32.bmp"
# Pillow writes RGBA as 32-bit BI_RGB with a 40-byte header and the alpha in the fourth byte.
"$py" - "$work/photo.ppm" "$bmp/bgra32.bmp" <<'EOF'
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGBA")
im.putalpha(Image.linear_gradient("L").transpose(Image.Transpose.ROTATE_90).resize(im.size))
im.save(sys.argv[2])
im.getchannel("A").save(sys.argv[2][:-4] + ".alpha.pgm")  # Pillow reads BI_RGB 32 bits as opaque
EOF
# RLE4 (compression 2) and 16-bit BI_RGB, packed here. The RLE4 stream mixes encoded runs (including two-colour
# runs and runs ending on an odd pixel), absolute runs of odd and even length (word padded), end-of-line and
# end-of-bitmap escapes.
"$py" - "$work/c16.ppm" "$bmp/rle4.bmp" "$work/photo.ppm" "$bmp/rgb555-birgb.bmp" <<'EOF'
import struct, sys
from PIL import Image
src = Image.open(sys.argv[1]).convert("RGB")
w, h = src.size
colours = sorted(set(src.getdata()))
assert len(colours) <= 16
index = {c: i for i, c in enumerate(colours)}
rows = [[index[src.getpixel((x, y))] for x in range(w)] for y in range(h)]

def encode_row(row):
    out = bytearray()
    x = 0
    while x < len(row):
        n = 1
        while x + n < len(row) and n < 255 and row[x + n] == row[x]:
            n += 1
        if n >= 3 or len(row) - x < 3:
            if n < 3:
                n = len(row) - x
                pair = row[x:x + 2] + [0]
                if n == 2 and row[x] != row[x + 1]:   # a two-colour encoded run: pixels alternate
                    out += bytes([2, (pair[0] << 4) | pair[1]])
                    x += 2
                    continue
            out += bytes([n, (row[x] << 4) | row[x]])
            x += n
            continue
        # absolute: up to the next run of three or the end
        end = x
        while end < len(row) and end - x < 255:
            if end + 2 < len(row) and row[end] == row[end + 1] == row[end + 2]:
                break
            end += 1
        count = end - x
        if count < 3:
            out += bytes([count, (row[x] << 4) | (row[x + 1] if count > 1 else 0)])
            x = end
            continue
        packed = bytearray()
        for i in range(x, end, 2):
            packed.append((row[i] << 4) | (row[i + 1] if i + 1 < end else 0))
        if len(packed) % 2:
            packed.append(0)
        out += bytes([0, count]) + packed
        x = end
    return out

data = bytearray()
for y in reversed(range(h)):
    data += encode_row(rows[y]) + bytes([0, 0])
data[-2:] = bytes([0, 1])  # the last end-of-line becomes end-of-bitmap
palette = b"".join(bytes([b, g, r, 0]) for r, g, b in colours)
offset = 14 + 40 + len(palette)
header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 2, len(data), 3780, 3780, len(colours), 0)
open(sys.argv[2], "wb").write(header + info + palette + data)

photo = Image.open(sys.argv[3]).convert("RGB")
stride = (w * 2 + 3) & ~3
pixels = bytearray()
for y in reversed(range(h)):
    row = bytearray()
    for x in range(w):
        r, g, b = photo.getpixel((x, y))
        row += struct.pack("<H", ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3))
    pixels += row + bytes(stride - len(row))
offset = 14 + 40
header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 16, 0, len(pixels), 3780, 3780, 0, 0)
open(sys.argv[4], "wb").write(header + info + pixels)
EOF

for f in "$bmp"/*.bmp; do
    name=${f%.bmp}
    expect "$f" "$name"
done
for n in pal1 pal4 pal8 rgb24 os2-pal1 os2-pal4 os2-pal8; do agree "$bmp/$n" bmptopnm "$bmp/$n.bmp"; done
for n in os2-rgb24 rle8; do agree "$bmp/$n" magick "$bmp/$n.bmp"; done
# Pillow misplaces the pixels after an odd-length absolute run in RLE4; ImageMagick and bmptopnm agree.
magick "$bmp/rle4.bmp" > "$bmp/rle4.ppm"
agree "$bmp/rle4" bmptopnm "$bmp/rle4.bmp"
# 16-bit samples: Pillow widens 5 and 6 bits as v * 255 / 31 rounded down, ImageMagick by repeating the high bits
# in the low ones (v << 3 | v >> 2). The expected pixels are ImageMagick's; Pillow must agree within one level.
for n in rgb565 rgb555 rgb555-birgb; do
    magick "$bmp/$n.bmp" > "$work/magick.ppm"
    test "$(compare -metric AE -fuzz 0.5% "$bmp/$n.ppm" "$work/magick.ppm" null: 2>&1)" = 0
    cp "$work/magick.ppm" "$bmp/$n.ppm"
done

# --- PCX --------------------------------------------------------------------------------------------------------
ppmtopcx "$work/bw.ppm" > "$pcx/bw1.pcx"          # 1 bit x 1 plane, header palette black, white
ppmtopcx "$work/two.ppm" > "$pcx/pal1.pcx"        # 1 bit x 1 plane, header palette entries 0/1 = blue, red
ppmtopcx "$work/c16.ppm" > "$pcx/ega4.pcx"        # 1 bit x 4 planes, 16-colour header palette
ppmtopcx -8bit "$work/c256.ppm" > "$pcx/pal8.pcx" # 8 bits x 1 plane, 0x0C + 768-byte palette at the end
convert "$work/c256.ppm" -type palette pcx:"$pcx/pal8-magick.pcx"
ppmtopcx -24bit "$work/photo.ppm" > "$pcx/rgb24.pcx" # 8 bits x 3 planes
convert "$work/photo.ppm" pcx:"$pcx/rgb24-magick.pcx"
# An 8-bit file without the trailing palette whose header says grey (palette information 2) reads as grey: the
# pal8 file with its last 769 bytes removed and that field set. Without the field the colours are unknown: the
# same file is refused (nopalette8.pcx, no expected pixels).
size=$(stat -c %s "$pcx/pal8.pcx")
head -c $((size - 769)) "$pcx/pal8.pcx" > "$pcx/nopalette8.pcx"
{ head -c 68 "$pcx/nopalette8.pcx"; printf '\x02\x00'; tail -c +71 "$pcx/nopalette8.pcx"; } > "$pcx/grey8.pcx"

for f in "$pcx"/*.pcx; do
    name=${f%.pcx}
    expect "$f" "$name"
done
# Pillow reads 1-bit files as black and white whatever the header palette says; for pal1 the expected colours are
# the header palette's, as pcxtoppm (the writer's own reader) decodes them.
pcxtoppm "$pcx/pal1.pcx" > "$pcx/pal1.ppm"
for n in bw1 ega4 pal8 rgb24; do agree "$pcx/$n" pcxtoppm "$pcx/$n.pcx"; done
for n in pal8-magick rgb24-magick; do agree "$pcx/$n" magick "$pcx/$n.pcx"; done
echo "fixtures written to $bmp and $pcx"
