#!/bin/sh
# Writes the JPEG and PNG read-test inputs in jpeg/ and png/ and their expected decodes, using only
# independent tools: libjpeg-turbo (cjpeg, djpeg, wrjpgcom), netpbm (pnmtopng, pngtopam, pamdepth),
# ImageMagick (convert) and Pillow (Debian's /usr/bin/python3). Expected pixels are always the peer's own
# decode: x.ppm / x.pgm beside x.jpg / x.png, and x.alpha.pgm for the alpha of files that have one.
# Run from anywhere; the files are rewritten in place.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
py=/usr/bin/python3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
jpeg="$here/jpeg"
png="$here/png"
rm -rf "$jpeg" "$png"
mkdir -p "$jpeg" "$png"

# Source pictures (raw PNM, written by Pillow): a smooth colour picture with some saturated areas, grey ramps
# at several depths, few-colour pictures for palettes, 16-bit RGB.
"$py" - "$tmp" <<'EOF'
import math, sys
from PIL import Image
out = sys.argv[1]
W, H = 48, 32

def colour(x, y):
    r = 255 * x / (W - 1)
    g = 255 * (0.5 + 0.5 * math.sin(y / 5.0 + x / 11.0))
    b = 255 * (1 - ((x - W / 2) ** 2 + (y - H / 2) ** 2) / ((W / 2) ** 2 + (H / 2) ** 2))
    if 4 <= x < 12 and 4 <= y < 10:
        return (230, 20, 30)
    if 30 <= x < 40 and 20 <= y < 28:
        return (20, 60, 220)
    return tuple(max(0, min(255, int(round(v)))) for v in (r, g, b))

src = Image.new("RGB", (W, H))
src.putdata([colour(x, y) for y in range(H) for x in range(W)])
src.save(f"{out}/src.ppm")
src.convert("L").save(f"{out}/src.pgm")

def pnm_grey(name, maxval):
    wide = maxval > 255
    data = bytearray()
    for y in range(H):
        for x in range(W):
            v = (x * 7 + y * 3) * maxval // (W * 7 + H * 3)
            data += v.to_bytes(2, "big") if wide else bytes([v])
    with open(f"{out}/{name}", "wb") as f:
        f.write(f"P5\n{W} {H}\n{maxval}\n".encode() + bytes(data))

for bits in (1, 2, 4, 8, 16):
    pnm_grey(f"grey-{bits}.pgm", (1 << bits) - 1)

def pnm_colours(name, count):
    palette = [((i * 97) % 256, (i * 57 + 40) % 256, (i * 151 + 90) % 256) for i in range(count)]
    data = bytearray()
    for y in range(H):
        for x in range(W):
            data += bytes(palette[(x // 3 + y * 5 + (x * y) // 7) % count])
    with open(f"{out}/{name}", "wb") as f:
        f.write(f"P6\n{W} {H}\n255\n".encode() + bytes(data))

for bits in (1, 2, 4, 8):
    pnm_colours(f"palette-{bits}.ppm", 1 << bits)

data = bytearray()
for y in range(H):
    for x in range(W):
        for v in ((x * 1365) % 65536, (y * 2113) % 65536, ((x + y) * 811 + 33) % 65536):
            data += v.to_bytes(2, "big")
with open(f"{out}/rgb-16.ppm", "wb") as f:
    f.write(f"P6\n{W} {H}\n65535\n".encode() + bytes(data))
EOF

# ---------------------------------------------------------------- JPEG
cd "$jpeg"
cjpeg -quality 90 -baseline "$tmp/src.ppm" >baseline.jpg
cjpeg -quality 90 -progressive "$tmp/src.ppm" >progressive.jpg
cjpeg -quality 90 -grayscale "$tmp/src.ppm" >grey.jpg
# Odd size with 4:2:0 chroma: the last half-block of chroma is upsampled at the edges.
convert "$tmp/src.ppm" -crop 45x31+0+0 +repage "$tmp/odd.ppm"
cjpeg -quality 85 -sample 2x2,1x1,1x1 "$tmp/odd.ppm" >odd-420.jpg
for f in baseline progressive grey odd-420; do
    if [ "$f" = grey ]; then djpeg -pnm "$f.jpg" >"$f.pgm"; else djpeg -pnm "$f.jpg" >"$f.ppm"; fi
done

# Comments: UTF-8 text, Latin-1 bytes, and two COM markers (the first one is the comment).
printf 'Kelvo \343\203\206\343\202\271\343\203\210 comment' >"$tmp/utf8.txt"
printf 'caf\351 cr\350me' >"$tmp/latin1.txt"
wrjpgcom -cfile "$tmp/utf8.txt" baseline.jpg >comment-utf8.jpg
wrjpgcom -cfile "$tmp/latin1.txt" baseline.jpg >comment-latin1.jpg
printf 'first' >"$tmp/first.txt"
printf 'second' >"$tmp/second.txt"
wrjpgcom -cfile "$tmp/first.txt" baseline.jpg | wrjpgcom -cfile "$tmp/second.txt" >comment-two.jpg

# CMYK by two writers (both store Adobe-style inverted CMYK); expected: ImageMagick's own sRGB rendering.
convert "$tmp/src.ppm" -colorspace CMYK -quality 92 cmyk-magick.jpg
"$py" -c "
from PIL import Image
Image.open('$tmp/src.ppm').convert('CMYK').save('cmyk-pillow.jpg', quality=92)
"
for f in cmyk-magick cmyk-pillow; do convert "$f.jpg" -colorspace sRGB -depth 8 "ppm:$f.ppm"; done

# EXIF orientation 2..8 on the same stored pixels; expected: ImageMagick's upright rendering.
"$py" -c "
from PIL import Image
src = Image.open('$tmp/src.ppm')
for o in range(2, 9):
    exif = Image.Exif()
    exif[0x0112] = o
    src.save(f'orientation-{o}.jpg', quality=90, exif=exif)
"
for o in 2 3 4 5 6 7 8; do convert "orientation-$o.jpg" -auto-orient -depth 8 "ppm:orientation-$o.ppm"; done

# An embedded ICC profile: a matrix/curve profile with Adobe-like wide primaries and gamma 1.8, built here
# byte by byte. Pillow (littleCMS) converts the sRGB source into it; the expected decode is the sRGB source.
"$py" - "$tmp" <<'EOF'
import io, struct, sys
from PIL import Image, ImageCms
out = sys.argv[1]

def s15(v):
    return struct.pack(">i", int(round(v * 65536)))

def xyz(x, y, z):
    return b"XYZ " + bytes(4) + s15(x) + s15(y) + s15(z)

desc_text = b"Kelvo test wide gamut\0"
tags = [
    (b"desc", b"desc" + bytes(4) + struct.pack(">I", len(desc_text)) + desc_text + bytes(4 + 4 + 2 + 1 + 67)),
    (b"cprt", b"text" + bytes(4) + b"No copyright, test data\0"),
    (b"wtpt", xyz(0.9642, 1.0, 0.8249)),
    (b"rXYZ", xyz(0.6097, 0.3111, 0.0195)),
    (b"gXYZ", xyz(0.2053, 0.6257, 0.0609)),
    (b"bXYZ", xyz(0.1492, 0.0632, 0.7446)),
]
curve = b"curv" + bytes(4) + struct.pack(">IH", 1, int(1.8 * 256)) + bytes(2)
count = len(tags) + 3
offset = 128 + 4 + 12 * count
table, body = b"", b""
for sig, data in tags:
    table += sig + struct.pack(">II", offset + len(body), len(data))
    body += data + bytes(-len(data) % 4)
curve_at = offset + len(body)
for sig in (b"rTRC", b"gTRC", b"bTRC"):
    table += sig + struct.pack(">II", curve_at, len(curve))
body += curve
size = offset + len(body)
header = (struct.pack(">I", size) + bytes(4) + struct.pack(">I", 0x02100000) + b"mntrRGB XYZ "
          + struct.pack(">6H", 2024, 1, 1, 0, 0, 0) + b"acsp" + bytes(4 + 4 + 4 + 4 + 8 + 4)
          + s15(0.9642) + s15(1.0) + s15(0.8249) + bytes(4) + bytes(44))
assert len(header) == 128
profile = header + struct.pack(">I", count) + table + body
wide = ImageCms.ImageCmsProfile(io.BytesIO(profile))
srgb = ImageCms.ImageCmsProfile(ImageCms.createProfile("sRGB"))
src = Image.open(f"{out}/src.ppm")
converted = ImageCms.profileToProfile(src, srgb, wide, outputMode="RGB")
converted.save("icc-wide.jpg", quality=95, subsampling=0, icc_profile=profile)
EOF
cp "$tmp/src.ppm" icc-wide.ppm

# ---------------------------------------------------------------- PNG
cd "$png"
for bits in 1 2 4 8; do pnmtopng "$tmp/palette-$bits.ppm" >"palette-$bits.png"; done
for bits in 1 2 4 8 16; do pnmtopng "$tmp/grey-$bits.pgm" >"grey-$bits.png"; done
pnmtopng "$tmp/src.ppm" >rgb-8.png
pnmtopng "$tmp/rgb-16.ppm" >rgb-16.png
pnmtopng -interlace "$tmp/src.ppm" >interlaced.png
pnmtopng -interlace "$tmp/palette-4.ppm" >interlaced-palette.png
# tRNS: one palette entry, and one RGB colour (the red patch of the source) fully transparent.
pnmtopng -transparent "rgb:61/28/5a" "$tmp/palette-4.ppm" >trns-palette.png
pnmtopng -transparent "rgb:e6/14/1e" "$tmp/src.ppm" >trns-rgb.png
pnmtopng -transparent "rgb:00/00/00" "$tmp/grey-8.pgm" >trns-grey.png
"$py" - "$tmp" <<'EOF'
import sys
from PIL import Image
from PIL.PngImagePlugin import PngInfo
out = sys.argv[1]
src = Image.open(f"{out}/src.ppm")
W, H = src.size
alpha = Image.new("L", (W, H))
alpha.putdata([(x * 255 // (W - 1) + y * 4) % 256 for y in range(H) for x in range(W)])
rgba = src.copy()
rgba.putalpha(alpha)
rgba.save("rgba.png")
la = src.convert("L")
la.putalpha(alpha)
la.save("grey-alpha.png")
# A palette whose entries carry partial alpha in tRNS.
pal = Image.open(f"{out}/palette-4.ppm").quantize(16)
pal.save("palette-alpha.png", transparency=bytes(range(0, 256, 16)))
info = PngInfo()
info.add_itxt("Comment", "Kelvo \u30c6\u30b9\u30c8 comment")
src.save("itxt-comment.png", pnginfo=info)
info = PngInfo()
info.add_text("Comment", "compressed comment", zip=True)
src.save("ztxt-comment.png", pnginfo=info)
EOF
# tEXt "Comment" after another text chunk (netpbm), and ImageMagick's lowercase "comment" keyword.
printf 'Title A title that is not the comment\nComment Kelvo text comment\n' >"$tmp/text.txt"
pnmtopng -text "$tmp/text.txt" "$tmp/src.ppm" >text-comment.png
convert "$tmp/src.ppm" -set comment "Kelvo magick comment" -define png:exclude-chunk=date,time text-comment-magick.png

for f in *.png; do
    b=${f%.png}
    pngtopam "$f" | pamdepth 255 2>/dev/null >"$tmp/colour.pnm"
    case $(head -c 2 "$tmp/colour.pnm") in
        P5) mv "$tmp/colour.pnm" "$b.pgm" ;;
        *) mv "$tmp/colour.pnm" "$b.ppm" ;;
    esac
    # Alpha from Pillow: pngtopam -alpha ignores tRNS on RGB and grey images.
    if identify -format "%[channels]\n" "$f" | grep -q "a$"; then
        "$py" -c "from PIL import Image; Image.open('$f').convert('RGBA').getchannel('A').save('$b.alpha.pgm')"
    fi
done
