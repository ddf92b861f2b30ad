#!/usr/bin/env bash
# Draws the window's pictures and icons into app/resources/ with ImageMagick 6
# (`convert`). The results are committed; run this only to change them. Output
# is byte-for-byte reproducible for one ImageMagick version: no time stamps,
# no comments, fixed fonts (DejaVu, installed with fonts-dejavu-core).
set -euo pipefail
cd "$(dirname "$0")/../app/resources"

bold=DejaVu-Sans-Bold
sans=DejaVu-Sans

# Image1: a platform scale with its indicator terminal on a column, 173 x 262,
# on a transparent ground. The window shows it from row 9 to row 220; below
# that only the floor shadow.
convert -size 173x262 xc:white \
  -fill '#d8d8d8' -stroke none -draw "ellipse 88,236 80,14 0,360" \
  -fill '#7a7f87' -stroke '#3c3f44' -strokewidth 1 \
  -draw "polygon 14,186 48,150 166,150 134,186" \
  -fill '#5b6068' -draw "polygon 14,186 134,186 134,202 14,202" \
  -fill '#4a4e55' -draw "polygon 134,186 166,150 166,166 134,202" \
  -fill '#9aa0a8' -stroke '#6a6f76' -draw "polygon 24,182 54,154 156,154 126,182" \
  -stroke '#868b92' -draw "line 40,182 70,154" -draw "line 60,182 90,154" \
  -draw "line 80,182 110,154" -draw "line 100,182 130,154" \
  -fill '#3c3f44' -stroke none -draw "rectangle 18,200 26,208" -draw "rectangle 124,200 132,208" \
  -fill '#b0b4ba' -stroke '#3c3f44' -draw "rectangle 104,56 112,152" \
  -fill '#e8e8e4' -stroke '#3c3f44' -strokewidth 2 -draw "roundrectangle 40,14 164,78 6,6" \
  -fill '#1c2a1c' -stroke none -draw "rectangle 50,22 154,46" \
  -fill '#7dff6a' -font DejaVu-Sans-Mono-Bold -pointsize 18 -draw "text 58,41 '120,00'" \
  -fill '#2f6fd1' -draw "circle 60,62 60,67" -fill '#d12f2f' -draw "circle 78,62 78,67" \
  -fill '#3c3f44' -draw "rectangle 94,58 150,66" \
  -fill '#1c2a1c' -font "$sans" -pointsize 7 -draw "text 96,74 'P03  4800'" \
  -fill none -stroke '#3c3f44' -strokewidth 2 -draw "bezier 40,70 20,90 30,120 60,140" \
  -transparent white +dither -colors 32 GIF:scale.gif

# Image4: small logo, 137 x 75: a scale pan over the text "P03". The window
# lays the JPEG logo over its last rows, so the drawing keeps to rows 0 to 58.
convert -size 137x75 xc:white \
  -fill '#1f4e9c' -stroke none -draw "roundrectangle 2,2 134,58 10,10" \
  -fill white -draw "rectangle 22,42 52,46" -draw "rectangle 35,16 39,42" \
  -draw "ellipse 37,14 20,5 0,180" \
  -fill '#ffd23f' -font "$bold" -pointsize 30 -draw "text 62,40 'P03'" \
  -fill white -font "$sans" -pointsize 8 -draw "text 64,53 'simulador'" \
  -transparent white +dither -colors 16 GIF:logo-small.gif

# Image3: JPEG logo, 225 x 75: the name over a square wave, the shape of the
# bits on the serial line.
convert -size 225x75 xc:white \
  -fill '#1f4e9c' -font "$bold" -pointsize 20 -draw "text 10,28 'Simulador de'" \
  -fill '#c62828' -font "$bold" -pointsize 20 -draw "text 10,52 'Balança P03'" \
  -fill none -stroke '#2e7d32' -strokewidth 2 \
  -draw "polyline 10,66 30,66 30,58 46,58 46,66 62,66 62,58 70,58 70,66 94,66 94,58 118,58 118,66 126,66 126,58 150,58 150,66 215,66" \
  -strip -quality 90 -sampling-factor 4:2:0 JPEG:logo.jpg

# Button icons, 24 x 24, on a transparent ground.
convert -size 24x24 xc:none \
  -fill '#2e9d3a' -stroke '#1b5e20' -strokewidth 1 \
  -draw "polygon 9,2 15,2 15,9 22,9 22,15 15,15 15,22 9,22 9,15 2,15 2,9 9,9" \
  PNG32:plus.png
plug() {
  convert -size 24x24 xc:none \
    -fill '#9e9e9e' -stroke '#424242' -strokewidth 1 -draw "rectangle 7,1 9,8" -draw "rectangle 14,1 16,8" \
    -fill '#37474f' -stroke '#263238' -draw "roundrectangle 4,7 19,16 2,2" \
    -draw "polygon 8,16 15,16 13,20 10,20" -fill none -stroke '#263238' -strokewidth 2 -draw "line 11,20 11,23" \
    "$@"
}
plug PNG32:plug.png
plug -stroke '#d32f2f' -strokewidth 3 -draw "line 3,3 21,21" -draw "line 21,3 3,21" PNG32:plug-off.png

# Window icon, 64 x 64: the terminal's display over a platform.
convert -size 64x64 xc:none \
  -fill '#1f4e9c' -stroke none -draw "roundrectangle 2,2 61,61 10,10" \
  -fill '#1c2a1c' -draw "rectangle 10,10 53,28" \
  -fill '#7dff6a' -font DejaVu-Sans-Mono-Bold -pointsize 14 -draw "text 12,25 'P03'" \
  -fill '#cfd8dc' -draw "polygon 8,52 18,40 56,40 46,52" \
  -fill '#90a4ae' -draw "rectangle 8,52 46,56" \
  PNG32:window.png

for f in plus.png plug.png plug-off.png window.png; do
  mogrify -strip -define png:exclude-chunks=date,time "$f"
done
