#!/usr/bin/env bash
# Makes the decoder's test pictures and their reference decodes with
# libjpeg-turbo's cjpeg/djpeg, ImageMagick and ffmpeg.
#   make_fixtures.sh OUTPUT_DIR
set -euo pipefail
out="$1"
mkdir -p "$out"
cd "$out"

source_picture() { # name width height
  convert -seed 7 -size "$2x$3" plasma:fractal -blur 0x0.6 -depth 8 "ppm:$1.ppm" 2>/dev/null
}

for size in 1x1 7x9 17x17 64x48 1023x767; do
  source_picture "src$size" "${size%x*}" "${size#*x}"
done
source_picture still 2016 1520
source_picture src40x40 40 40
# A printed page as the camera sees it: mostly white ground, so most blocks
# carry no AC coefficients and most MCUs are one colour.
convert -size 320x240 xc:white -fill black -pointsize 20 -draw "text 20,40 'Quarterly Report'" \
  -pointsize 11 -draw "text 20,70 'Lines of print, a table and a figure.'" \
  -fill none -stroke black -draw "rectangle 20,100 170,220" -draw "line 20,140 170,140" -draw "line 95,100 95,220" \
  -fill gray60 -stroke none -draw "rectangle 200,150 220,220" -draw "rectangle 240,120 260,220" \
  -fill "#2050a0" -draw "rectangle 280,180 300,220" -depth 8 ppm:page320x240.ppm

encode() { # name source cjpeg-options...
  local name="$1" src="$2"; shift 2
  cjpeg "$@" "$src.ppm" > "$name.jpg"
}

for size in 1x1 7x9 17x17 64x48 1023x767; do
  encode "s444_$size" "src$size" -sample 1x1 -quality 90
  encode "s422_$size" "src$size" -sample 2x1 -quality 85
  encode "s420_$size" "src$size" -sample 2x2 -quality 75
  encode "s440_$size" "src$size" -sample 1x2 -quality 80
  encode "grey_$size" "src$size" -grayscale -quality 80
done
encode restart_rows_64x48 src64x48 -restart 1 -quality 70
encode restart_blocks_1023x767 src1023x767 -restart 5B -quality 70
encode restart_each_1023x767 src1023x767 -restart 1B -quality 70
encode restart_blocks_17x17 src17x17 -sample 2x1 -restart 1B
printf '0;\n1;\n2;\n' > separate.scans
printf '0;\n1 2;\n' > luma_then_chroma.scans
encode scans_separate_64x48 src64x48 -scans separate.scans
encode scans_separate_17x17 src17x17 -sample 1x1 -scans separate.scans
encode scans_split_1023x767 src1023x767 -scans luma_then_chroma.scans
encode still_2016x1520 still -quality 92
encode arithmetic_64x48 src64x48 -arithmetic
encode progressive_64x48 src64x48 -progressive
encode s420_40x40 src40x40 -sample 2x2 -quality 75
encode page_320x240 page320x240 -sample 2x2 -quality 75
encode page_grey_320x240 page320x240 -grayscale -quality 75
convert src1023x767.ppm -quality 85 -sampling-factor 2x2 magick_1023x767.jpg
convert src64x48.ppm -colorspace CMYK -quality 90 ycck_64x48.jpg
convert ycck_64x48.jpg -depth 8 cmyk:ycck_64x48.cmyk
ffmpeg -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=1 -frames:v 1 -c:v mjpeg -q:v 4 -pix_fmt yuvj422p mjpeg_320x240.jpg

for jpg in *.jpg; do
  name="${jpg%.jpg}"
  case "$name" in arithmetic_*|progressive_*|ycck_*) continue ;; esac
  djpeg -nosmooth -dct int -ppm "$jpg" > "$name.plain.pnm"
  djpeg -dct int -ppm "$jpg" > "$name.smooth.pnm"
  for scale in 2 4 8; do
    djpeg -nosmooth -dct int -scale "1/$scale" -ppm "$jpg" > "$name.scale$scale.pnm"
  done
done
touch stamp
