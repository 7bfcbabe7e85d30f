#!/usr/bin/env bash
# Draws Kelvo's application icon: a stack of three photos with an orange "convert" arrow badge.
# Writes the scalable kelvo.svg and hicolor/<size>/apps/kelvo.png for every size below, rendered from that SVG
# at 4x and reduced with a Lanczos filter, so every size shows the same picture.
# Needs ImageMagick's convert. Run it after changing the drawing; its outputs are kept in the tree.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
sizes=(16 32 48 64 128 256)

# The corners of a w x h rectangle at (x, y), turned by `degrees` about (cx, cy), as SVG polygon points.
turned_rect() {
  awk -v x="$1" -v y="$2" -v w="$3" -v h="$4" -v a="$5" -v cx="$6" -v cy="$7" 'BEGIN {
    r = a * atan2(0, -1) / 180; c = cos(r); s = sin(r)
    split(x " " x+w " " x+w " " x, px, " "); split(y " " y " " y+h " " y+h, py, " ")
    for (i = 1; i <= 4; i++) {
      dx = px[i] - cx; dy = py[i] - cy
      printf "%s%.1f,%.1f", (i > 1 ? " " : ""), cx + dx * c - dy * s, cy + dx * s + dy * c
    }
  }'
}

# The two photos behind lie turned about the front photo's centre.
back="$(turned_rect 34 60 168 132 -14 118 126)"
middle="$(turned_rect 34 60 168 132 -6 118 126)"

cat >"$here/kelvo.svg" <<SVG
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <title>Kelvo</title>
  <polygon points="$back" fill="#cfd6e0" stroke="#4a5563" stroke-width="6" stroke-linejoin="round"/>
  <polygon points="$middle" fill="#e6eaf0" stroke="#4a5563" stroke-width="6" stroke-linejoin="round"/>
  <rect x="34" y="60" width="168" height="132" rx="8" ry="8" fill="#ffffff" stroke="#333c48" stroke-width="6"/>
  <rect x="48" y="74" width="140" height="104" fill="#6fbdec"/>
  <circle cx="160" cy="102" r="14" fill="#ffd23f"/>
  <polygon points="48,178 48,146 88,112 126,150 146,134 188,170 188,178" fill="#3c9a4d"/>
  <circle cx="196" cy="196" r="46" fill="#e8602c" stroke="#ffffff" stroke-width="8"/>
  <polygon points="168,186 194,186 194,164 226,196 194,228 194,206 168,206" fill="#ffffff"/>
</svg>
SVG

for size in "${sizes[@]}"; do
  mkdir -p "$here/hicolor/$size/apps"
  # 72 dpi draws the 256-unit picture at 256 pixels; four times the target size, then reduced.
  convert -background none -density "$((72 * size * 4 / 256))" "$here/kelvo.svg" \
    -filter Lanczos -resize "${size}x${size}" -depth 8 -strip "PNG32:$here/hicolor/$size/apps/kelvo.png"
done
# The about box's product picture is the same drawing: 100 x 80, 256 colours, on white.
convert -size 100x80 xc:white \( "$here/hicolor/128/apps/kelvo.png" -filter Lanczos -resize 76x76 \) \
  -gravity center -compose over -composite -depth 8 -strip -colors 256 -type Palette \
  "PNG8:$here/../about/product.png"
echo "make-icons: wrote kelvo.svg, ${#sizes[@]} PNG sizes under $here/hicolor and ../about/product.png" >&2
