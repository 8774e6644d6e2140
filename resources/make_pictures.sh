#!/usr/bin/env bash
# Makes the window's five pictures and the program icon from Debian's WenQuanYi Micro Hei
# font (fonts-wqy-microhei) with ImageMagick. The results are committed; run this again
# only to change them:  resources/make_pictures.sh
set -euo pipefail
cd "$(dirname "$0")"

FONT=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$FONT" ] || { echo "missing $FONT (apt-get install fonts-wqy-microhei)" >&2; exit 1; }
# No time stamps in the files, so the same input makes the same bytes.
STAMPLESS=(-define png:exclude-chunks=date,time +set date:create +set date:modify)
png() { local out=${*: -1}; set -- "${@:1:$#-1}"; convert "$@" -depth 8 "${STAMPLESS[@]}" "PNG32:$out"; }

# Word mark: the product's name in white on a transparent ground.
png -size 664x169 xc:none -font "$FONT" -pointsize 132 -fill white -gravity center \
  -annotate +0+0 "一键截图" wordmark.png

# Minimise box: a short white bar; on hover the same bar on light blue.
png -size 28x20 xc:none -fill white -draw "rectangle 9,10 18,11" minimise.png
png -size 28x20 "xc:rgb(45,186,238)" -fill white -draw "rectangle 9,10 18,11" minimise_hover.png

# Close box: a white cross in a thin white square; on hover the cross on red.
png -size 39x20 xc:none +antialias -fill none -stroke white -strokewidth 1 -draw "rectangle 14,4 24,14" \
  -draw "line 16,6 22,12" -draw "line 22,6 16,12" close.png
png -size 39x20 "xc:rgb(240,86,50)" -fill none -stroke white -strokewidth 1.4 \
  -draw "line 15.5,5.5 23.5,13.5" -draw "line 23.5,5.5 15.5,13.5" close_hover.png

# Icon artwork: the first letter of the name in white on a blue rounded square.
art=$(mktemp -d)
trap 'rm -rf "$art"' EXIT
convert -size 128x128 xc:none -fill "rgb(0,118,236)" -draw "roundrectangle 4,4 123,123 22,22" \
  -font "$FONT" -pointsize 92 -fill white -gravity center -annotate +0+0 "截" "PNG32:$art/icon128.png"
for s in 128 48 32 16; do
  convert "$art/icon128.png" -filter Lanczos -resize "${s}x${s}" -depth 8 "rgba:$art/icon$s.rgba"
done
python3 make_icon.py "$art" tarnwick.ico
echo "made: wordmark.png minimise.png minimise_hover.png close.png close_hover.png tarnwick.ico"
