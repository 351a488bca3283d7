#!/usr/bin/env bash
# Draws the program's pictures (banner, menu icons, button faces, switch
# pictures, FX icons, info icon) with ImageMagick and packs the icon files.
# Every picture is drawn four times larger and scaled down, which gives
# smooth edges at the small sizes. The outputs are committed beside this
# script; rerun it after changing a drawing:  bash app/artwork/make-artwork.sh
set -euo pipefail
cd "$(dirname "$0")"

BG='#D6DFFE'      # window background
NAVY='#1B2550'
BLUE='#3F5BD8'
SKY='#8FA6F5'
ORANGE='#FF8A3D'
GREEN='#2DBE60'
GREY='#9AA3B5'
BOLD=DejaVu-Sans-Bold
REGULAR=DejaVu-Sans

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# finish SRC OUT W H: scale a 4x drawing down and write a clean 8-bit PNG
# (no time stamps, so reruns give the same bytes).
finish() {
    convert "$1" -filter Lanczos -resize "$3x$4!" -alpha off -depth 8 -strip \
        -define png:exclude-chunks=date,time "$2"
}

# ---------------------------------------------------------------- banner (3)
convert -size 1100x188 xc:"$BG" \
    \( -size 1100x188 gradient:"$NAVY"-"$BLUE" -rotate -90 -resize '1100x188!' \) \
    \( -size 1100x188 xc:black -fill white -draw "roundrectangle 4,4 1095,183 36,36" \) \
    -composite \
    -fill none -stroke 'rgba(255,255,255,0.35)' -strokewidth 3 -draw "roundrectangle 10,10 1089,177 30,30" \
    -stroke none \
    -fill "$SKY" -draw "roundrectangle 44,42 132,130 8,8" \
    -fill white -draw "roundrectangle 72,62 168,150 8,8" \
    -fill "$BLUE" -draw "rectangle 82,72 158,140" \
    -fill "$GREEN" -draw "polygon 82,140 108,100 126,122 138,108 158,140" \
    -fill "$ORANGE" -draw "circle 142,88 150,88" \
    -font "$BOLD" -pointsize 92 -fill white -annotate +212+112 'Pixmold' \
    -font "$REGULAR" -pointsize 34 -fill "$SKY" -annotate +218+160 'resize pictures in one drop' \
    "$tmp/banner.png"
finish "$tmp/banner.png" banner.png 275 47

# ------------------------------------------------- FX button faces (14, 15)
fx_button() {  # OUT TOP BOTTOM TEXT_COLOUR STAR_COLOUR
    convert -size 400x120 xc:"$BG" \
        \( -size 400x120 gradient:"$2"-"$3" \) \
        \( -size 400x120 xc:black -fill white -draw "roundrectangle 6,6 393,113 54,54" \) \
        -composite \
        -fill none -stroke 'rgba(255,255,255,0.45)' -strokewidth 4 -draw "roundrectangle 14,14 385,105 46,46" \
        -stroke none -fill "$5" \
        -draw "polygon 70,30 80,52 104,60 80,68 70,90 60,68 36,60 60,52" \
        -draw "polygon 112,34 116,44 126,48 116,52 112,62 108,52 98,48 108,44" \
        -font "$BOLD" -pointsize 64 -fill "$4" -annotate +140+84 'FX' \
        -font "$REGULAR" -pointsize 30 -annotate +250+78 'effects' \
        "$tmp/$1"
    finish "$tmp/$1" "$1" 100 30
}
fx_button fx_button.png "$BLUE" "$NAVY" white "$ORANGE"
fx_button fx_button_hot.png "#FFB27A" "$ORANGE" white white

# --------------------------------------------- always-on-top switch (21, 22)
# Only the top 20 rows show on the 20-high switch canvas; the toggle sits there.
switch_face() {  # OUT TRACK KNOB_X MARK
    convert -size 224x120 xc:"$BG" \
        -fill "$2" -stroke "$NAVY" -strokewidth 3 -draw "roundrectangle 10,10 150,70 30,30" \
        -stroke "$NAVY" -strokewidth 2 -fill white -draw "circle $3,40 $(($3 + 24)),40" \
        -stroke none -font "$BOLD" -pointsize 26 -fill white -annotate "$4" "$5" \
        "$tmp/$1"
    finish "$tmp/$1" "$1" 56 30
}
switch_face switch_on.png "$GREEN" 118 +28+50 ON
switch_face switch_off.png "$GREY" 42 +76+50 OFF

# ------------------------------------------------------------- menu icons
# icon64 OUT DRAW-ARGS...: a 64x64 transparent drawing, kept for the packer.
icon64() {
    local out=$1
    shift
    convert -size 256x256 xc:none "$@" "$tmp/$out.big.png"
    convert "$tmp/$out.big.png" -filter Lanczos -resize 32x32 -depth 8 -strip "$tmp/$out.32.png"
    convert "$tmp/$out.big.png" -filter Lanczos -resize 16x16 -depth 8 -strip "$tmp/$out.16.png"
}
# to_ico NAME: 16 px entry first (the one the program shows), then 32 px.
to_ico() {
    convert "$tmp/$1.16.png" -depth 8 rgba:"$tmp/$1.16.rgba"
    convert "$tmp/$1.32.png" -depth 8 rgba:"$tmp/$1.32.rgba"
    python3 pack_icon.py "$1.ico" 16 "$tmp/$1.16.rgba" 32 "$tmp/$1.32.rgba"
}

icon64 help -fill "$BLUE" -stroke "$NAVY" -strokewidth 10 -draw "circle 128,128 128,14" \
    -stroke none -fill white -font "$BOLD" -pointsize 190 -gravity center -annotate +0+8 '?'
to_ico help

icon64 app -fill "$NAVY" -draw "roundrectangle 8,8 247,247 40,40" \
    -fill "$SKY" -draw "roundrectangle 36,36 150,150 12,12" \
    -fill white -draw "roundrectangle 90,90 220,220 12,12" \
    -fill "$BLUE" -draw "rectangle 104,104 206,206" \
    -fill "$GREEN" -draw "polygon 104,206 140,150 166,180 182,160 206,206" \
    -fill "$ORANGE" -draw "circle 182,128 194,128"
to_ico app
# The same drawing is the menu entry's icon at the desktop's usual sizes;
# hicolor/pixmold.svg draws it again by hand for scalable use.
mkdir -p hicolor
for size in 16 32 48 64 128 256; do
    convert "$tmp/app.big.png" -filter Lanczos -resize "${size}x${size}" -depth 8 -strip \
        -define png:exclude-chunks=date,time "hicolor/pixmold-$size.png"
done

icon64 update -fill "$GREEN" -stroke '#16803D' -strokewidth 10 -draw "circle 128,128 128,14" \
    -stroke white -strokewidth 26 -fill none -draw "arc 62,62 194,194 200,470" \
    -stroke none -fill white -draw "polygon 36,132 88,132 62,176"
to_ico update

icon64 website -fill "$BLUE" -stroke "$NAVY" -strokewidth 10 -draw "circle 128,128 128,14" \
    -fill none -stroke white -strokewidth 12 -draw "ellipse 128,128 48,108 0,360" \
    -draw "line 22,128 234,128" -draw "line 128,20 128,236" \
    -draw "line 44,78 212,78" -draw "line 44,178 212,178"
to_ico website

icon64 french -fill "#1F3FAA" -draw "roundrectangle 8,40 95,215 16,16" -draw "rectangle 60,40 95,215" \
    -fill white -draw "rectangle 88,40 168,215" \
    -fill "#E1242A" -draw "roundrectangle 161,40 247,215 16,16" -draw "rectangle 161,40 190,215" \
    -fill none -stroke "$NAVY" -strokewidth 6 -draw "roundrectangle 8,40 247,215 16,16"
to_ico french

icon64 exit -fill none -stroke "#D33A2C" -strokewidth 30 -draw "arc 40,44 216,220 -50,230" \
    -draw "line 128,20 128,120"
to_ico exit

icon64 english -fill "#1F3FAA" -draw "roundrectangle 8,40 247,215 16,16" \
    -stroke white -strokewidth 34 -draw "line 14,46 241,209" -draw "line 14,209 241,46" \
    -stroke "#E1242A" -strokewidth 12 -draw "line 14,46 241,209" -draw "line 14,209 241,46" \
    -stroke white -strokewidth 52 -draw "line 128,40 128,215" -draw "line 8,128 247,128" \
    -stroke "#E1242A" -strokewidth 30 -draw "line 128,40 128,215" -draw "line 8,128 247,128" \
    -fill none -stroke "$NAVY" -strokewidth 6 -draw "roundrectangle 8,40 247,215 16,16"
to_ico english

icon64 effects -stroke "$NAVY" -strokewidth 26 -draw "line 40,216 150,106" \
    -stroke "$ORANGE" -strokewidth 14 -draw "line 40,216 150,106" \
    -stroke "$NAVY" -strokewidth 6 -fill "$ORANGE" \
    -draw "polygon 176,20 192,64 238,80 192,96 176,140 160,96 114,80 160,64"
to_ico effects

icon64 desktop -fill "$NAVY" -draw "roundrectangle 12,28 243,188 16,16" \
    -fill "$SKY" -draw "rectangle 30,46 225,170" \
    -fill "$BLUE" -draw "polygon 30,170 100,96 150,146 176,120 225,170" \
    -fill "$NAVY" -draw "polygon 104,188 152,188 164,222 92,222" -draw "roundrectangle 64,216 192,236 8,8"
to_ico desktop

# 16x16 "open a picture" menu icon (5), a plain PNG.
convert -size 64x64 xc:none -fill white -stroke "$NAVY" -strokewidth 4 -draw "roundrectangle 4,10 59,55 5,5" \
    -stroke none -fill "$SKY" -draw "rectangle 10,16 53,49" \
    -fill "$GREEN" -draw "polygon 10,49 26,30 36,40 44,33 53,49" \
    -fill "$ORANGE" -draw "circle 44,23 48,23" "$tmp/open.png"
convert "$tmp/open.png" -filter Lanczos -resize 16x16 -depth 8 -strip \
    -define png:exclude-chunks=date,time -define png:color-type=6 open_picture.png

# ------------------------------------------------------------- FX icons
# 39 x 39 with transparency (crop icons 39 x 29); they are drawn over black,
# white or green squares, so every glyph has a dark outline and a light body.
fx_icon() {  # OUT HEIGHT DRAW-ARGS...
    local out=$1 h=$2
    shift 2
    convert -size 156x$((h * 4)) xc:none "$@" "$tmp/$out"
    convert "$tmp/$out" -filter Lanczos -resize "39x$h!" -depth 8 -strip \
        -define png:exclude-chunks=date,time -define png:color-type=6 "$out"
}
crop_icon() {  # OUT COLOUR
    fx_icon "$1" 29 -fill none -stroke "$NAVY" -strokewidth 18 \
        -draw "polyline 44,8 44,84 136,84" -draw "polyline 20,32 112,32 112,108" \
        -stroke "$2" -strokewidth 9 \
        -draw "polyline 44,8 44,84 136,84" -draw "polyline 20,32 112,32 112,108" \
        -stroke none -fill "$2" -draw "rectangle 40,80 48,88"
}
crop_icon fx_crop.png white
crop_icon fx_crop_active.png "$ORANGE"

bw_icon() {  # OUT RING
    fx_icon "$1" 39 -fill white -stroke "$NAVY" -strokewidth 8 -draw "circle 78,78 78,22" \
        -stroke none -fill black -draw "path 'M 78,26 A 52,52 0 0,1 78,130 Z'" \
        -fill none -stroke "$2" -strokewidth 10 -draw "circle 78,78 78,14"
}
bw_icon fx_bw.png "$GREY"
bw_icon fx_bw_hot.png "$ORANGE"

bw_plus_icon() {  # OUT RING
    fx_icon "$1" 39 -fill white -stroke "$NAVY" -strokewidth 8 -draw "circle 70,86 70,36" \
        -stroke none -fill black -draw "path 'M 70,40 A 46,46 0 0,1 70,132 Z'" \
        -fill none -stroke "$2" -strokewidth 9 -draw "circle 70,86 70,28" \
        -stroke "$NAVY" -strokewidth 22 -draw "line 124,12 124,60" -draw "line 100,36 148,36" \
        -stroke "$2" -strokewidth 10 -draw "line 124,14 124,58" -draw "line 102,36 146,36"
}
bw_plus_icon fx_bw_optimised.png "$GREY"
bw_plus_icon fx_bw_optimised_hot.png "$ORANGE"

sepia_icon() {  # OUT FRAME PAPER
    fx_icon "$1" 39 -fill "$3" -stroke "$NAVY" -strokewidth 8 -draw "roundrectangle 18,26 138,130 8,8" \
        -stroke none -fill '#A0703C' -draw "polygon 26,122 62,74 88,104 106,86 130,122" \
        -fill '#E8C58A' -draw "circle 108,54 118,54" \
        -fill none -stroke "$2" -strokewidth 8 -draw "roundrectangle 10,18 146,138 12,12"
}
sepia_icon fx_sepia.png "$GREY" '#D9B98A'
sepia_icon fx_sepia_hot.png "$ORANGE" '#F2D3A0'

border_icon() {  # OUT FRAME
    fx_icon "$1" 39 -fill none -stroke "$NAVY" -strokewidth 30 -draw "rectangle 26,26 130,130" \
        -stroke "$2" -strokewidth 18 -draw "rectangle 26,26 130,130" \
        -stroke none -fill "$SKY" -draw "rectangle 42,42 114,114"
}
border_icon fx_border.png "$GREY"
border_icon fx_border_hot.png "$ORANGE"

webcam_icon() {  # OUT BODY DOT
    fx_icon "$1" 39 -fill "$2" -stroke "$NAVY" -strokewidth 8 -draw "circle 78,66 78,14" \
        -fill "$NAVY" -stroke none -draw "circle 78,66 78,38" \
        -fill "$SKY" -draw "circle 78,66 78,50" -fill white -draw "circle 70,58 70,52" \
        -fill "$3" -stroke "$NAVY" -strokewidth 4 -draw "circle 120,26 120,14" \
        -fill "$2" -stroke "$NAVY" -strokewidth 8 -draw "polygon 50,116 106,116 124,146 32,146"
}
webcam_icon fx_webcam_off.png "$GREY" "$GREY"
webcam_icon fx_webcam_on.png white '#E1242A'

# ------------------------------------------------------------ info icon
convert -size 64x64 xc:none -fill "$BLUE" -stroke white -strokewidth 4 -draw "circle 32,32 32,4" \
    -stroke none -fill white -draw "circle 32,18 32,12" -draw "roundrectangle 27,27 37,52 3,3" "$tmp/info.png"
convert "$tmp/info.png" -filter Lanczos -resize 16x16 -depth 8 -strip \
    -define png:exclude-chunks=date,time -define png:color-type=6 info.png

echo "artwork written to $(pwd)"
