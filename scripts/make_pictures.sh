#!/usr/bin/env bash
# Draws the window's pictures into src/window/pictures/. They are committed,
# so the program does not need this script, ImageMagick or any font at run
# time; run it again only to change a picture.
# Needs: imagemagick, fonts-dejavu-core, fonts-noto-cjk (the language names).
set -euo pipefail
cd "$(dirname "$0")/../src/window/pictures"

png() { convert "$@" -strip -define png:exclude-chunks=date,time "${@: -1}"; }
latin=DejaVu-Sans
latin_bold=DejaVu-Sans-Bold
tc=Noto-Sans-CJK-TC
sc=Noto-Sans-CJK-SC

# Built-in logo, 200 x 66 (a JPEG: decoded through the image plugins).
convert -size 200x66 gradient:'#ffffff-#e6ebf1' \
  -fill '#1f3a5f' -draw "polygon 8,46 30,14 52,30 40,34 60,52 34,40" \
  -fill '#e07b1a' -draw "polygon 30,14 44,8 52,30" \
  -fill '#1f3a5f' -font "$latin_bold" -pointsize 19 -annotate +64+33 'KESTRELON' \
  -fill '#e07b1a' -draw "rectangle 64,40 192,42" \
  -fill '#4a5a6e' -font "$latin" -pointsize 10 -annotate +64+56 '2.4GHz RF SoC  MFG' \
  -strip -quality 92 logo.jpg

# The receiver as seen from above: a USB plug and a body.
dongle() {   # colour of the body, left edge of the plug
  local x=${2:-9}
  echo "-fill '#b8bec6' -stroke '#5b636e' -strokewidth 1 -draw 'roundrectangle $x,19 $((x + 12)),31 1,1'" \
       "-fill '$1' -stroke '#2e3640' -draw 'roundrectangle $((x + 11)),16 $((x + 31)),34 4,4'"
}
eval "convert -size 50x50 xc:none $(dongle '#8e969f') \
  -fill none -stroke '#d42a2a' -strokewidth 4 -draw 'circle 25,25 25,4' -draw 'line 11,39 39,11' \
  -strip -define png:exclude-chunks=date,time no_receiver.png"
eval "convert -size 50x50 xc:none $(dongle '#2f6db5') \
  -fill '#1fa33a' -stroke '#ffffff' -strokewidth 1.5 -draw 'circle 38,38 38,29' \
  -fill none -stroke '#ffffff' -strokewidth 2.5 -draw 'polyline 33,38 37,42 43,34' \
  -strip -define png:exclude-chunks=date,time connected.png"

# Pairing: radio waves leave the receiver, one more each frame.
frames=()
for n in 0 1 2 3; do
  waves=""
  for k in $(seq 1 $n); do r=$((4 + 6 * k)); waves+=" -draw 'ellipse 24,25 $r,$r -50,50'"; done
  eval "convert -size 50x50 xc:none $(dongle '#2f6db5' 0) -fill none -stroke '#e07b1a' -strokewidth 2 $waves bind_$n.gif"
  frames+=("bind_$n.gif")
done
convert -delay 25 -loop 0 -dispose background "${frames[@]}" pairing.gif
rm -f "${frames[@]}"

# Result area: idle (a mouse waiting), waiting (a keyboard being bound),
# PASS and FAIL badges.
convert -size 64x64 xc:none \
  -fill '#d9dee4' -stroke '#5b636e' -strokewidth 2 -draw 'roundrectangle 18,6 46,58 14,14' \
  -draw 'line 32,7 32,26' -draw 'line 19,26 45,26' \
  -fill '#9aa3ad' -stroke none -draw 'roundrectangle 30,12 34,20 2,2' \
  -strip -define png:exclude-chunks=date,time idle.png
convert -size 64x64 xc:none \
  -fill '#d9dee4' -stroke '#5b636e' -strokewidth 2 -draw 'roundrectangle 4,30 60,54 3,3' \
  -fill '#5b636e' -stroke none \
  -draw 'rectangle 9,35 14,39' -draw 'rectangle 17,35 22,39' -draw 'rectangle 25,35 30,39' \
  -draw 'rectangle 33,35 38,39' -draw 'rectangle 41,35 46,39' -draw 'rectangle 49,35 54,39' \
  -draw 'rectangle 15,44 49,48' \
  -fill none -stroke '#e07b1a' -strokewidth 2.5 -draw 'ellipse 32,26 16,16 225,315' -draw 'ellipse 32,26 9,9 225,315' \
  -strip -define png:exclude-chunks=date,time waiting.png
convert -size 64x64 xc:none -fill '#0000ff' -stroke '#00007a' -strokewidth 2 -draw 'circle 32,32 32,4' \
  -fill none -stroke white -strokewidth 7 -draw 'polyline 18,33 28,43 46,22' \
  -strip -define png:exclude-chunks=date,time pass.png
convert -size 64x64 xc:none -fill '#ff0000' -stroke '#8a0000' -strokewidth 2 -draw 'circle 32,32 32,4' \
  -fill none -stroke white -strokewidth 7 -draw 'line 21,21 43,43' -draw 'line 43,21 21,43' \
  -strip -define png:exclude-chunks=date,time fail.png

# The language dialog's picture: a globe, 32 x 32.
convert -size 32x32 xc:none -fill '#dcebfa' -stroke '#2f6db5' -strokewidth 2 -draw 'circle 16,16 16,2' \
  -fill none -strokewidth 1.5 -draw 'ellipse 16,16 6,14 0,360' -draw 'line 2,16 30,16' \
  -draw 'arc 4,6 28,14 0,180' -draw 'arc 4,18 28,26 180,360' \
  -strip -define png:exclude-chunks=date,time language.png

# Window icon, 48 x 48.
convert -size 48x48 xc:none -fill '#1f3a5f' -draw 'roundrectangle 1,1 46,46 8,8' \
  -fill '#e07b1a' -draw "polygon 8,36 22,10 34,24 26,27 40,40 22,31" \
  -strip -define png:exclude-chunks=date,time icon.png

# The three language names, 63 x 14, dark text on a transparent ground, in
# item order: English, Traditional Chinese, Simplified Chinese.
convert -size 63x14 xc:none -font "$latin" -pointsize 11 -fill '#1a1a1a' -gravity west -annotate +2+0 'English' \
  -strip -define png:exclude-chunks=date,time lang_eng.png
convert -size 63x14 xc:none -font "$tc" -pointsize 12 -fill '#1a1a1a' -gravity west -annotate +2+0 '繁體中文' \
  -strip -define png:exclude-chunks=date,time lang_cht.png
convert -size 63x14 xc:none -font "$sc" -pointsize 12 -fill '#1a1a1a' -gravity west -annotate +2+0 '简体中文' \
  -strip -define png:exclude-chunks=date,time lang_chs.png

echo "pictures written to $(pwd)"
