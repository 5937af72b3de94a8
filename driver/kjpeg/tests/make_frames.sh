#!/bin/sh
# Draws a printed page as the camera sees it (paper, print, a coloured chart
# and a photograph) and compresses it the ways the camera and other encoders
# do: baseline 1024x768 at several qualities, 4:2:0 and 4:2:2, with and
# without restart intervals, with optimised Huffman tables, and with the
# camera's own quantisation tables.
#   make_frames.sh OUT_DIR
set -e
out=$1
here=$(dirname "$0")
mkdir -p "$out"
convert -size 1024x768 xc:'#f2efe6' \
  -fill '#202020' -pointsize 44 -draw "text 80,110 'Quarterly Report'" \
  -pointsize 22 \
  -draw "text 80,180 'The document camera shows this page as it lies on the desk.'" \
  -draw "text 80,220 'Lines of print, a table and a figure test the picture path.'" \
  -fill '#1f4e9c' -draw "text 80,260 'Blue ink, red marks and a photograph test the colours.'" \
  -fill none -stroke '#303030' -strokewidth 2 -draw "rectangle 80,320 560,640" \
  -draw "line 80,400 560,400" -draw "line 80,480 560,480" -draw "line 80,560 560,560" \
  -draw "line 320,320 320,640" \
  -stroke none -fill '#d03020' -draw "rectangle 640,480 700,640" -fill '#2a9d3a' -draw "rectangle 720,400 780,640" \
  -fill '#f0c020' -draw "rectangle 800,520 860,640" -fill '#3050d0' -draw "rectangle 880,360 940,640" \
  \( -size 300x180 -seed 7 plasma:tomato-steelblue \) -geometry +660+90 -composite \
  -fill '#c02020' -pointsize 64 -draw "text 760,740 'No. 28'" \
  "$out/page.ppm"

for q in 20 50 75 90 100; do
  cjpeg -quality $q -baseline -sample 2x2 "$out/page.ppm" > "$out/q${q}_420.jpg"
  cjpeg -quality $q -baseline -sample 2x1 "$out/page.ppm" > "$out/q${q}_422.jpg"
done
cjpeg -quality 75 -sample 2x2 -restart 1 "$out/page.ppm" > "$out/restart_rows_420.jpg"
cjpeg -quality 75 -sample 2x1 -restart 7B "$out/page.ppm" > "$out/restart_mcus_422.jpg"
cjpeg -quality 75 -sample 2x2 -optimize "$out/page.ppm" > "$out/optimised_420.jpg"
# The camera's quantisation tables (natural order), unscaled at quality 50.
python3 "$here/camera_qtables.py" > "$out/camera_qtables.txt"
cjpeg -quality 50 -baseline -sample 2x2 -qtables "$out/camera_qtables.txt" -qslots 0,1,1 "$out/page.ppm" \
  > "$out/camera_tables_420.jpg"
cjpeg -quality 50 -baseline -sample 2x1 -qtables "$out/camera_qtables.txt" -qslots 0,1,1 "$out/page.ppm" \
  > "$out/camera_tables_422.jpg"
# Frames of other kinds, which the decoder must refuse.
cjpeg -quality 75 -grayscale "$out/page.ppm" > "$out/grey.jpg"
cjpeg -quality 75 -sample 1x1 "$out/page.ppm" > "$out/sampled_444.jpg"
cjpeg -quality 75 -sample 1x2 "$out/page.ppm" > "$out/sampled_440.jpg"
cjpeg -quality 75 -progressive "$out/page.ppm" > "$out/progressive.jpg"
cjpeg -quality 75 -arithmetic "$out/page.ppm" > "$out/arithmetic.jpg"
convert "$out/page.ppm" -resize 640x480! ppm:- | cjpeg -quality 75 > "$out/small_420.jpg"
touch "$out/stamp"
