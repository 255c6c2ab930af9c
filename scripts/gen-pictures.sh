#!/usr/bin/env bash
# Draws the pictures of the resource scripts: the side panels of the two Welcome dialogs and the
# package icon. Usage: gen-pictures.sh OUTPUT_DIR
# The panels are 8-bit palette BMP3 files, run-length encoded (BI_RLE8, which windres and
# LoadBitmapA take): a vertical gradient needs far fewer than 256 colours, so the palette loses
# nothing and each row packs into a few bytes. They are sized to fill their picture controls at
# Tahoma 9 (about 1.75 pixels per dialog unit, a little more so that a centred bitmap never
# leaves an edge). The mark, a speaking dot with three sound waves, says what the package is
# about: it talks.
set -euo pipefail

out=${1:?usage: gen-pictures.sh OUTPUT_DIR}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

top='#1c3d63'
bottom='#5aa5bd'

# mark W H CX CY R FILE: a transparent W x H layer with the mark around (CX, CY): a dot of
# radius R and three sound waves, rings cut to a wedge of 90 degrees on the dot's right.
mark() {
  local w=$1 h=$2 cx=$3 cy=$4 r=$5 file=$6
  local rings=(-fill none -strokewidth $(((r + 2) / 3)))
  local k radius reach=$((4 * r + r))
  for k in 1 2 3; do
    radius=$((r + k * r))
    rings+=(-stroke "rgba(255,255,255,0.$((100 - k * 20)))" -draw "circle $cx,$cy $((cx + radius)),$cy")
  done
  convert -size "${w}x${h}" xc:none "${rings[@]}" \
    \( -size "${w}x${h}" xc:none -fill white \
       -draw "polygon $cx,$cy $((cx + reach)),$((cy - reach)) $((cx + reach)),$((cy + reach))" \) \
    -compose DstIn -composite \
    -fill white -stroke none -draw "circle $cx,$cy $((cx + r)),$cy" "$file"
}

# panel FILE WIDTH HEIGHT: gradient from top to bottom, the mark in the upper third, a soft
# light line at the right edge where the panel meets the white area.
panel() {
  local file=$1 w=$2 h=$3
  mark "$w" "$h" $((w * 3 / 10)) $((h * 3 / 10)) $((w / 12)) "$work/mark.png"
  convert -size "${w}x${h}" "gradient:${top}-${bottom}" "$work/mark.png" -compose Over -composite \
    -fill 'rgba(255,255,255,0.35)' -stroke none -draw "rectangle $((w - 2)),0 $((w - 1)),$h" \
    -alpha off -dither None -colors 256 -type Palette -compress RLE "BMP3:$work/$file"
  mv "$work/$file" "$out/$file"
}

# Dialog 104 of the language DLL: 110 x 185 dialog units. Dialog 107 of the executable: 95 x 181.
panel side-panel-104.bmp 193 324
panel side-panel-107.bmp 167 317

# The icon: the mark on a rounded square of the same gradient, at 48, 32 and 16 pixels.
mark 256 256 76 128 26 "$work/icon-mark.png"
convert -size 256x256 xc:none \
  \( -size 240x240 "gradient:${top}-${bottom}" \
     \( -size 240x240 xc:black -fill white -draw "roundrectangle 0,0 239,239 44,44" \) \
     -alpha off -compose CopyOpacity -composite \) \
  -geometry +8+8 -compose Over -composite "$work/icon-mark.png" -compose Over -composite \
  "$work/icon.png"
convert "$work/icon.png" -define icon:auto-resize=48,32,16 "$work/pendrix.ico"
mv "$work/pendrix.ico" "$out/pendrix.ico"
