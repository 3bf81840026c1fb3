#!/bin/sh
# Draws the singers' 200 x 200 pictures that the service double serves on the image
# host: a coloured square with a simple head-and-shoulders figure and the singer's
# initials, distinct per singer. Run once by hand; the pictures are committed.
# Needs ImageMagick's convert and the DejaVu fonts.
set -eu
cd "$(dirname "$0")/avatars"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
convert=/usr/bin/convert

draw() { # file background figure initials
    "$convert" -size 200x200 "xc:$2" \
        -fill "$3" -draw "circle 100,78 100,40" -draw "ellipse 100,200 72,62 180,360" \
        -font "$font" -pointsize 30 -fill white -stroke '#00000060' -strokewidth 1 \
        -gravity northwest -annotate +10+6 "$4" \
        -alpha off -depth 8 -strip "$1"
}

draw 855237_200_200.jpg '#e8a0b4' '#fff3f6' LXY
draw 902116_200_200.jpg '#7fb3e0' '#eef6ff' ZYM
draw 733001_200_200.png '#9ad1a0' '#f0fff2' CSS
draw 610428_200_200.jpg '#f2c26b' '#fff8e8' WDW
draw 558899_200_200.jpg '#b59ae0' '#f6f0ff' XL
