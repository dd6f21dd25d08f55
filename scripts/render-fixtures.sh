#!/usr/bin/env bash
# Renders the test fixtures into the folder given (default: build/fixtures): short clips with
# known burned-in subtitles (ffmpeg + libass) and still pictures with known text.
# Each clip's ground truth is written beside it as <clip>.truth.srt. Re-running skips what exists.
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/fixtures}
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

# ass_file NAME FONT SIZE PRIMARY OUTLINE_COLOUR OUTLINE WIDTH HEIGHT, then dialogue lines on stdin
# as "start|end|text" (times h:mm:ss.cc, \N for a line break).
ass_file() {
  local name=$1 font=$2 size=$3 primary=$4 outline_colour=$5 outline=$6 w=$7 h=$8
  {
    printf '[Script Info]\nScriptType: v4.00+\nPlayResX: %s\nPlayResY: %s\nWrapStyle: 2\n\n' "$w" "$h"
    printf '[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n'
    printf 'Style: Default,%s,%s,%s,&H000000FF,%s,&H80000000,0,0,0,0,100,100,0,0,1,%s,0,2,10,10,%s,1\n\n' \
      "$font" "$size" "$primary" "$outline_colour" "$outline" "$((h / 20))"
    printf '[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n'
    while IFS='|' read -r start end text; do
      printf 'Dialogue: 0,%s,%s,Default,,0,0,0,,%s\n' "$start" "$end" "$text"
    done
  } > "$name.ass"
}

# truth_srt NAME: the same "start|end|text" lines as an SRT file (\N becomes a line break).
truth_srt() {
  local n=0
  while IFS='|' read -r start end text; do
    n=$((n + 1))
    printf '%d\n%s --> %s\n%s\n\n' "$n" "$(srt_time "$start")" "$(srt_time "$end")" "${text//\\N/$'\n'}"
  done > "$1.truth.srt"
}
srt_time() { # h:mm:ss.cc -> hh:mm:ss,ccc
  local h=${1%%:*} rest=${1#*:}
  printf '%02d:%s,%s0' "$h" "${rest%.*}" "${rest#*.}"
}

# clip NAME EXT SECONDS W H FPS BACKGROUND FONT SIZE PRIMARY OUTLINE_COLOUR OUTLINE < lines
clip() {
  local name=$1 ext=$2 secs=$3 w=$4 h=$5 fps=$6 bg=$7 font=$8 size=$9 primary=${10} oc=${11} outline=${12}
  [ -s "$name.$ext" ] && [ -s "$name.truth.srt" ] && { cat > /dev/null; return; }
  local lines; lines=$(cat)
  ass_file "$name" "$font" "$size" "$primary" "$oc" "$outline" "$w" "$h" <<< "$lines"
  truth_srt "$name" <<< "$lines"
  local source
  case $bg in
    dark) source="color=c=0x202830:s=${w}x${h}:r=${fps}" ;;
    busy) source="testsrc2=s=${w}x${h}:r=${fps}" ;;
    *) source="color=c=${bg}:s=${w}x${h}:r=${fps}" ;;
  esac
  ff -f lavfi -i "$source:d=$secs" -vf "subtitles=$name.ass" -c:v libx264 -preset veryfast -pix_fmt yuv420p \
     -g "$fps" "$name.$ext"
}

# English, two subtitles with a gap, white text with a black outline on a dark background.
clip en_two mp4 6 640 360 25 dark "DejaVu Sans" 28 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.50|0:00:02.50|Hello world
0:00:03.00|0:00:05.00|How are you today
EOF_LINES

# Chinese, yellow text, in a Matroska container.
clip zh_yellow mkv 5 640 360 30 dark "WenQuanYi Micro Hei" 30 '&H0000FFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.50|0:00:02.20|你好世界
0:00:02.60|0:00:04.50|今天天气很好
EOF_LINES

# Portrait video for the thumbnail.
clip portrait mp4 2 360 640 25 dark "DejaVu Sans" 24 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.20|0:00:01.80|Tall
EOF_LINES

# Something that is not a video.
[ -s not_a_video.mp4 ] || printf 'this is not a video\n' > not_a_video.mp4

# Still pictures: a subtitle strip with one line, one with two lines, one in Chinese, one blank.
picture() { # NAME W H BACKGROUND then ass lines on stdin
  local name=$1 w=$2 h=$3 bg=$4 font=$5 size=$6
  [ -s "$name.png" ] && { cat > /dev/null; return; }
  ass_file "$name" "$font" "$size" '&H00FFFFFF' '&H00000000' 3 "$w" "$h"
  ff -f lavfi -i "color=c=$bg:s=${w}x${h}:d=1" -vf "subtitles=$name.ass" -frames:v 1 "$name.png"
}
picture strip_en 1280 160 0x303840 "DejaVu Sans" 56 <<'EOF_LINES'
0:00:00.00|0:00:01.00|Where are you going
EOF_LINES
picture strip_two 1280 220 0x303840 "DejaVu Sans" 52 <<'EOF_LINES'
0:00:00.00|0:00:01.00|The first line\NAnd the second one
EOF_LINES
picture strip_zh 1280 160 0x303840 "WenQuanYi Micro Hei" 60 <<'EOF_LINES'
0:00:00.00|0:00:01.00|我们明天见
EOF_LINES
[ -s blank.png ] || ff -f lavfi -i "color=c=0x303840:s=1280x160:d=1" -frames:v 1 blank.png
