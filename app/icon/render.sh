#!/usr/bin/env bash
# Renders Brenlow.mvg (ImageMagick's own vector format) into Brenlow.ico: one 128 x 128 image, 32 bits
# per pixel with alpha. Run it after changing the drawing and commit both files.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 128x128 -background none mvg:Brenlow.mvg -depth 8 -type TrueColorAlpha -define icon:format=bmp \
  Brenlow.ico
