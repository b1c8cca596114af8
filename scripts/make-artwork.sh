#!/bin/sh
# Makes the report's header and footer artwork, "ZodOduzaz.jpg" (2000 x 267) and
# "RavEzivid.jpg" (2000 x 258), in the report's navy and red with the product name.
# Needs ImageMagick and the DejaVu fonts (Debian: imagemagick, fonts-dejavu-core).
# Usage: scripts/make-artwork.sh [OUTPUT_DIR]   (default: resources/)
set -eu
out=${1:-"$(dirname "$0")/../resources"}
mkdir -p "$out"
navy='rgb(24,42,78)'
red='rgb(228,29,29)'
light='rgb(200,210,228)'
# Same bytes on every run: no time stamps or comments in the files.
strip='-strip -define jpeg:dct-method=integer -quality 88 -sampling-factor 4:2:0'

# Header: a navy band with the product name, a red accent line along its lower edge
# (the first page draws its red rule right below it).
convert -size 2000x267 "xc:$navy" \
  -fill "$red" -draw 'rectangle 0,255 1999,266' \
  -fill "$red" -draw 'rectangle 60,70 74,190' \
  -font DejaVu-Sans-Bold -pointsize 92 -fill white -annotate +110+150 'VOLTARIS' \
  -font DejaVu-Sans -pointsize 40 -fill "$light" -annotate +114+210 'Battery Formation Simulator' \
  -font DejaVu-Sans-Bold -pointsize 54 -fill white -gravity NorthEast -annotate +70+90 'Formation Report' \
  -font DejaVu-Sans -pointsize 32 -fill "$light" -gravity NorthEast -annotate +72+170 'SEI growth  |  CC/CV comparison' \
  $strip "$out/ZodOduzaz.jpg"

# Footer: a thin red line over a navy band with the product name; the lowest part stays
# white, where the pages print their footer line.
convert -size 2000x258 xc:white \
  -fill "$red" -draw 'rectangle 0,0 1999,9' \
  -fill "$navy" -draw 'rectangle 0,10 1999,150' \
  -font DejaVu-Sans-Bold -pointsize 44 -fill white -gravity NorthWest -annotate +70+52 'VOLTARIS' \
  -font DejaVu-Sans -pointsize 30 -fill "$light" -gravity NorthWest -annotate +330+62 'Battery Formation Simulator' \
  -font DejaVu-Sans -pointsize 28 -fill "$light" -gravity NorthEast -annotate +70+62 'Formation protocol  |  SEI model  |  Report v5.1' \
  -fill "$navy" -draw 'rectangle 0,156 1999,158' \
  $strip "$out/RavEzivid.jpg"
