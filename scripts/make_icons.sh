#!/usr/bin/env bash
# Draws the toolbar and drawing-panel icons, the cursors, the colour pictures and the
# control window's face into resources/, and the application icon into packaging/icons/ and
# resources/ (PNG).
# Run by hand after changing a drawing; needs ImageMagick (/usr/bin/convert).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
IM=/usr/bin/convert
ICONS="$ROOT/resources/icons"
CURSORS="$ROOT/resources/cursors"
PICTURES="$ROOT/resources/pictures"
mkdir -p "$ICONS" "$CURSORS" "$PICTURES"

ink='#303840'
icon() { # name, drawing arguments...
  local name=$1
  shift
  $IM -size 24x24 xc:none -stroke "$ink" -strokewidth 2 -fill none "$@" -strip "PNG32:$ICONS/$name.png"
}

icon open -fill '#f0c860' -draw "polygon 2,6 9,6 11,8 21,8 21,19 2,19"
icon save_as -fill '#7fa7d8' -draw "polygon 3,3 18,3 21,6 21,21 3,21" \
  -fill white -draw "rectangle 7,3 16,9" -draw "rectangle 6,13 18,21"
icon full_screen -draw "polyline 3,9 3,3 9,3" -draw "polyline 15,3 21,3 21,9" \
  -draw "polyline 21,15 21,21 15,21" -draw "polyline 9,21 3,21 3,15"
icon hand -fill '#f4d8b8' -strokewidth 1.5 \
  -draw "roundrectangle 6,11 19,21 3,3" -draw "roundrectangle 6,5 9,14 1,1" \
  -draw "roundrectangle 9,3 12,13 1,1" -draw "roundrectangle 12,4 15,13 1,1" \
  -draw "roundrectangle 15,6 18,14 1,1" -draw "roundrectangle 2,11 6,14 1,1"
icon select -strokewidth 1.5 -draw "stroke-dasharray 3 2 rectangle 3,5 21,19"
icon rotate_left -draw "arc 4,4 20,20 180,450" -fill "$ink" -draw "polygon 1,10 7,10 4,14"
icon rotate_right -draw "arc 4,4 20,20 90,360" -fill "$ink" -draw "polygon 17,10 23,10 20,14"
icon zoom_in -draw "circle 10,10 10,3" -draw "line 15,15 21,21" -draw "line 7,10 13,10" \
  -draw "line 10,7 10,13"
icon zoom_out -draw "circle 10,10 10,3" -draw "line 15,15 21,21" -draw "line 7,10 13,10"
icon live_stop -fill '#d04040' -stroke '#902020' -draw "rectangle 5,5 19,19"
icon live_start -fill '#40a050' -stroke '#207030' -draw "polygon 6,3 20,12 6,21"
icon capture -fill '#b0b8c0' -draw "roundrectangle 2,7 22,20 2,2" -draw "rectangle 8,4 15,7" \
  -fill white -draw "circle 12,13 12,9"
icon draw_panel -fill '#f0c860' -draw "polygon 4,20 5,15 16,4 20,8 9,19" \
  -fill "$ink" -draw "polygon 4,20 5,16 8,19"
icon camera_control -draw "line 6,3 6,21" -draw "line 12,3 12,21" -draw "line 18,3 18,21" \
  -fill white -draw "rectangle 4,6 8,10" -draw "rectangle 10,13 14,17" \
  -draw "rectangle 16,8 20,12"

# The application icon, drawn as packaging/icons/orvilcast.svg draws it, four times as large,
# then scaled to the sizes the desktop's icon theme and the program use.
APP="$ROOT/packaging/icons"
$IM -size 256x256 xc:none -fill '#3a6ea5' -stroke none -draw "roundrectangle 8,8 247,247 48,48" \
  -fill '#e8ecf0' -draw "rectangle 88,56 147,83" -draw "roundrectangle 40,80 219,203 20,20" \
  -fill '#303840' -draw "circle 128,140 128,96" -fill '#7fa7d8' -draw "circle 128,140 128,116" \
  -strip "PNG32:$APP/orvilcast-256.png"
for size in 16 32 48 128; do
  $IM "$APP/orvilcast-256.png" -resize ${size}x${size} -strip "PNG32:$APP/orvilcast-$size.png"
done
$IM "$APP/orvilcast-256.png" -resize 64x64 -strip "PNG32:$ICONS/orvilcast.png"

cursor() { # id, drawing arguments...
  local id=$1
  shift
  $IM -size 32x32 xc:none "$@" -strip "PNG32:$CURSORS/$id.png"
}
# The hot spot is the image's centre.
cursor 138 -stroke white -strokewidth 3 -draw "line 16,6 16,26" -draw "line 6,16 26,16" \
  -stroke black -strokewidth 1 -draw "line 16,6 16,26" -draw "line 6,16 26,16"
cursor 15 -stroke white -strokewidth 3 -draw "line 16,4 16,12" -draw "line 16,20 16,28" \
  -draw "line 4,16 12,16" -draw "line 20,16 28,16" \
  -stroke black -strokewidth 1 -draw "line 16,4 16,12" -draw "line 16,20 16,28" \
  -draw "line 4,16 12,16" -draw "line 20,16 28,16" -draw "point 16,16"
cursor 9 -fill white -stroke black -strokewidth 1 \
  -draw "roundrectangle 9,15 24,27 4,4" -draw "roundrectangle 9,7 12,18 1,1" \
  -draw "roundrectangle 12,5 15,17 1,1" -draw "roundrectangle 15,6 18,17 1,1" \
  -draw "roundrectangle 18,8 21,18 1,1" -draw "roundrectangle 5,15 9,18 1,1"
cursor 128 -fill white -stroke black -draw "rectangle 13,13 18,18"
cursor 129 -fill white -stroke black -draw "rectangle 11,11 20,20"
cursor 130 -fill white -stroke black -draw "rectangle 8,8 23,23"

# Drawing panel: the six tools, the two erase commands and the three eraser sizes.
icon tool_pen -draw "bezier 3,19 7,3 13,23 21,5"
icon tool_line -draw "line 4,20 20,4"
icon tool_rect -draw "rectangle 4,6 20,18"
icon tool_hline -draw "line 3,12 21,12" -strokewidth 1 -draw "line 3,8 3,16" -draw "line 21,8 21,16"
icon tool_vline -draw "line 12,3 12,21" -strokewidth 1 -draw "line 8,3 16,3" -draw "line 8,21 16,21"
icon tool_eraser -fill '#f4a0b0' -draw "polygon 3,15 12,6 21,15 15,21 9,21" \
  -fill white -draw "polygon 3,15 7,11 13,17 9,21"
icon erase_selection -strokewidth 1.5 -draw "stroke-dasharray 3 2 rectangle 2,4 22,20" \
  -stroke '#c03030' -draw "line 8,8 16,16" -draw "line 16,8 8,16"
icon erase_all -draw "rectangle 3,3 21,21" -stroke '#c03030' -draw "line 6,6 18,18" \
  -draw "line 18,6 6,18"
eraser_icon() { # name, square size
  local a=$(( (24 - $2) / 2 )) b=$(( (24 - $2) / 2 + $2 - 1 ))
  icon "$1" -strokewidth 1 -fill white -draw "rectangle $a,$a $b,$b"
}
eraser_icon eraser_6 6
eraser_icon eraser_10 10
eraser_icon eraser_16 16

# Colour pictures 161..168, one per drawing colour, in the order of the colour buttons.
n=161
for colour in '#000000' '#ff0000' '#0000ff' '#00ff00' '#ffffff' '#ffff00' '#ff00ff' '#00ffff'; do
  $IM -size 40x20 xc:"$colour" -fill none -stroke "$ink" -draw "rectangle 0,0 39,19" \
    -strip "PNG32:$PICTURES/$n.png"
  n=$((n + 1))
done

# The control window's face: iris (normal, open, close) above, zoom (tele, wide) below. The
# buttons lie at the rectangles the program inverts while one is held.
face=(-fill '#e8ecf0' -stroke '#8a949e')
for b in "85,6 118,38" "136,6 169,38" "187,6 220,38" "85,44 118,76" "136,44 169,76"; do
  face+=(-draw "roundrectangle $b 4,4")
done
$IM -size 227x83 xc:'#d4d9de' "${face[@]}" \
  -stroke none -fill "$ink" -font DejaVu-Sans-Bold -pointsize 13 \
  -draw "text 12,27 'IRIS'" -draw "text 12,65 'ZOOM'" \
  -pointsize 15 -draw "text 96,28 'N'" -draw "text 97,66 'T'" -draw "text 145,66 'W'" \
  -fill none -stroke "$ink" -strokewidth 2 -draw "circle 152,22 152,13" \
  -fill "$ink" -draw "circle 203,22 203,18" \
  -strip "PNG32:$PICTURES/control_window.png"
