#!/bin/sh
# Draws the window's built-in pictures with ImageMagick. The PNG and ICO files
# it writes are committed, so a build needs no ImageMagick.
set -eu
cd "$(dirname "$0")/pictures"
FONT=DejaVu-Sans-Bold
ORANGE="rgb(247,148,29)"

# button NAME WORD FILL TEXT [BAND]: 151x50, a flat rectangle with a soft shadow
# along the bottom and right edges, the word centred.
button() {
  name=$1 word=$2 fill=$3 text=$4 band=${5:-}
  convert -size 151x50 xc:none \
    \( -size 151x50 xc:none -fill "rgba(0,0,0,0.45)" -draw "rectangle 4,4 148,47" -blur 0x2 \) -composite \
    -fill "$fill" -draw "rectangle 0,0 145,44" \
    ${band:+-fill "$band" -draw "rectangle 0,0 145,5"} \
    -font $FONT -pointsize 17 -fill "$text" -gravity NorthWest -annotate +0+0 "" \
    \( -size 146x45 xc:none -font $FONT -pointsize 17 -fill "$text" -gravity center -annotate +0+1 "$word" \) \
    -gravity NorthWest -composite \
    -define png:color-type=6 "$name.png"
}

for pair in Install:INSTALUJ Close:ZAMKNIJ; do
  id=${pair%%:*} word=${pair#*:}
  button bn${id}Normal "$word" "$ORANGE" white
  button bn${id}Hover "$word" "$ORANGE" "rgb(255,242,150)"
  button bn${id}Active "$word" "$ORANGE" "rgb(255,242,150)" "rgb(196,108,8)"
  button bn${id}Disable "$word" "rgb(219,219,219)" "rgb(242,242,242)"
done

# MasterError: a laptop whose screen shows an orange warning triangle and ERROR.
convert -size 512x512 xc:none \
  -fill "rgb(60,60,66)" -draw "roundrectangle 76,96 436,346 14,14" \
  -fill "rgb(235,238,242)" -draw "rectangle 96,116 416,326" \
  -fill "rgb(90,90,98)" -draw "polygon 36,366 476,366 446,406 66,406" \
  -fill "rgb(150,150,158)" -draw "rectangle 216,372 296,380" \
  -fill "$ORANGE" -stroke "rgb(200,110,10)" -strokewidth 4 -draw "polygon 256,136 336,266 176,266" \
  -stroke none -fill white -draw "roundrectangle 250,172 262,232 4,4" -draw "circle 256,250 256,257" \
  -font $FONT -pointsize 34 -fill "rgb(200,40,30)" -gravity North -annotate +0+272 "ERROR" \
  -define png:color-type=6 MasterError.png

# Window icon: an orange ring on a transparent background.
convert -size 256x256 xc:none -fill none -stroke "$ORANGE" -strokewidth 44 -draw "circle 128,128 128,30" \
  -define png:color-type=6 icon256.png
convert icon256.png -define icon:auto-resize=256,48,32,16 installer.ico
rm icon256.png
