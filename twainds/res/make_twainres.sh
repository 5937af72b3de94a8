#!/bin/sh
# Draws the data source's skin bitmaps (orbileTWAINres.dll) and their
# resource script: make_twainres.sh OUTPUT_DIR. Measures as in
# win/TwainResources.h; every bitmap 24-bit.
set -e
out=$1
mkdir -p "$out"
bmp() { convert "$@" -type TrueColor BMP3:"$last"; }

last="$out/face.bmp"
bmp -size 820x560 xc:'#3a5a82' -fill '#28466a' -draw 'rectangle 0,0 819,27' \
  -fill black -draw 'rectangle 10,32 649,511'

labels="Capture AF Zoom+ Zoom- Freeze Rotate Mirror Color AE AWB About Close Full"
id=3001
for label in $labels; do
  last="$out/button$id.bmp"
  bmp -size 50x26 xc:'#5a82b4' -fill '#28466a' -draw 'rectangle 0,0 49,1' -draw 'rectangle 0,24 49,25' \
    -fill white -pointsize 11 -gravity center -annotate 0 "$label"
  id=$((id + 1))
done

{
  echo "121 BITMAP \"face.bmp\""
  id=3001
  for label in $labels; do
    echo "$id BITMAP \"button$id.bmp\""
    id=$((id + 1))
  done
} > "$out/orbileTWAINres.rc"
