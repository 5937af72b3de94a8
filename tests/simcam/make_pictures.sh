#!/bin/sh
# Draws the simulated camera's test picture, a printed page with a visible
# frame counter, once per counter value, and compresses each as the camera
# would: baseline JPEG at 1024x768.
set -e
out=$1
count=$2
mkdir -p "$out"
i=0
while [ "$i" -lt "$count" ]; do
  convert -size 1024x768 xc:white \
    -fill black -pointsize 44 -draw "text 80,110 'Quarterly Report'" \
    -pointsize 22 \
    -draw "text 80,180 'The document camera shows this page as it lies on the desk.'" \
    -draw "text 80,220 'Lines of print, a table and a figure test the picture path.'" \
    -draw "text 80,260 'Every frame carries its number in the lower right corner.'" \
    -fill none -stroke black -strokewidth 2 -draw "rectangle 80,320 560,640" \
    -draw "line 80,400 560,400" -draw "line 80,480 560,480" -draw "line 80,560 560,560" \
    -draw "line 320,320 320,640" \
    -fill gray60 -stroke none -draw "rectangle 640,480 700,640" -draw "rectangle 720,400 780,640" \
    -draw "rectangle 800,520 860,640" -draw "rectangle 880,360 940,640" \
    -fill black -pointsize 64 -draw "text 780,740 'No. $i'" \
    ppm:- | cjpeg -quality 75 -baseline > "$out/frame$i.jpg"
  i=$((i + 1))
done
