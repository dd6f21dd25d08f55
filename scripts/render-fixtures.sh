#!/usr/bin/env bash
# Renders the test fixtures into the folder given (default: build/fixtures): short clips with
# known burned-in subtitles (ffmpeg + libass) and still pictures with known text.
# Each clip's ground truth is written beside it as <clip>.truth.srt. Re-running skips what exists.
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/fixtures}
. "$(dirname "$(readlink -f "$0")")/lib-render.sh"
mkdir -p "$out"
cd "$out"

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

# Chinese over English, the pair bilingual releases carry.
clip zh_en mp4 5 640 360 25 dark "WenQuanYi Micro Hei" 26 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.50|0:00:02.20|外面下雨了\NIt is raining outside
0:00:02.60|0:00:04.50|我们没有时间了\NWe are out of time
EOF_LINES

# Portrait video for the thumbnail.
clip portrait mp4 2 360 640 25 dark "DejaVu Sans" 24 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.20|0:00:01.80|Tall
EOF_LINES

# Fast-scan clips, 25 fps so every subtitle edge falls between two known frames.
# A 0.3 s subtitle among longer ones.
clip fs_short mp4 4 640 360 25 dark "DejaVu Sans" 28 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.60|0:00:00.90|Quick
0:00:01.50|0:00:03.00|Then a longer line
EOF_LINES
# Back to back, the second differing from the first by one word.
clip fs_oneword mp4 4 640 360 25 dark "DejaVu Sans" 28 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.50|0:00:01.70|Keep your voice down
0:00:01.70|0:00:03.00|Keep your voice low
EOF_LINES
# Fading in and out over 200 ms.
clip fs_fade mp4 4 640 360 25 dark "DejaVu Sans" 28 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.60|0:00:02.80|{\fad(200,200)}Slowly fading words
EOF_LINES
# Over a picture that zooms under grain, the second line gone for one frame (3.60 s) and back.
clip fs_pan mp4 5 640 360 25 panning "DejaVu Sans" 28 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.40|0:00:02.40|Over a moving picture
0:00:02.80|0:00:03.60|Back after a flicker
0:00:03.64|0:00:04.60|Back after a flicker
EOF_LINES
# Signs at the top coming and going while the dialogue below stays: two subtitle areas.
clip fs_signs mp4 8 640 360 25 gradient "DejaVu Sans" 26 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.40|0:00:03.60|Thou hast seen nothing yet
0:00:04.00|0:00:07.40|Haste makes waste
0:00:01.00|0:00:03.00|{\an8}North Station
0:00:04.60|0:00:07.00|{\an8}Harbour Road
EOF_LINES
# MPEG-TS: the stream starts at a non-zero time.
clip fs_late mp4 4 640 360 25 dark "DejaVu Sans" 28 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.80|0:00:02.40|Late start
EOF_LINES
[ -s fs_late.ts ] || ff -i fs_late.mp4 -c copy -f mpegts fs_late.ts
# Clocks that do not start at zero: a TV recording's, an MP4 whose edit list starts the video late,
# an MKV whose first frame is late, and a recording whose sound starts before its picture.
[ -s fs_tv.ts ] || ff -i en_two.mp4 -c copy -output_ts_offset 1234.56 -f mpegts fs_tv.ts
[ -s fs_edit.mp4 ] || ff -i en_two.mp4 -c copy -output_ts_offset 0.6 fs_edit.mp4
[ -s fs_late.mkv ] || ff -i en_two.mp4 -c copy -output_ts_offset 0.7 fs_late.mkv
# The 33-bit clock wraps round between the two subtitles.
[ -s fs_wrap.ts ] || ff -i en_two.mp4 -c copy -output_ts_offset 95441.5 -f mpegts fs_wrap.ts
[ -s fs_soundfirst.ts ] || ff -itsoffset 0.3 -i en_two.mp4 -f lavfi -i "sine=frequency=440:duration=6" \
  -map 0:v -map 1:a -c:v copy -c:a mp2 -f mpegts fs_soundfirst.ts
# A phone clip: portrait picture stored on its side, turned upright by the display matrix.
clip fs_upright mp4 3 360 640 25 dark "DejaVu Sans" 28 '&H00FFFFFF' '&H00000000' 2 <<'EOF_LINES'
0:00:00.40|0:00:02.00|Phone text
EOF_LINES
turned() { # NAME FILTER DEGREES: fs_upright stored turned by FILTER, set upright by the display matrix
  [ -s "$1.mp4" ] && return
  ff -i fs_upright.mp4 -vf "$2" -c:v libx264 -preset veryfast -pix_fmt yuv420p "$1.stored.mp4"
  ff -i "$1.stored.mp4" -c copy -metadata:s:v:0 rotate="$3" "$1.mp4"
  rm -f "$1.stored.mp4"
}
turned fs_rotated transpose=clock 90
turned fs_rotated180 hflip,vflip 180
turned fs_rotated270 transpose=cclock 270
# Lettering of the picture in the subtitle band: a sign crossing it above the subtitles' row, and
# a small green mark at its left edge, beside and between three subtitles. Only the subtitles are
# the truth.
FS_SIGN_SUBS='0:00:00.30|0:00:01.90|The river keeps its secrets well
0:00:02.10|0:00:03.90|Nobody came back from the hills
0:00:04.10|0:00:05.90|We will leave before the rain'
if [ ! -s fs_lettering.mp4 ]; then
  clip fs_lettering mp4 7 640 360 25 dark "DejaVu Sans" 28 '&H00FFFFFF' '&H00000000' 2 <<EOF_LINES
$FS_SIGN_SUBS
0:00:02.00|0:00:05.50|{\an7\fs22\bord0\shad2\c&H40C0E0&\move(10,250,330,250)}27 to Carlisle
0:00:05.00|0:00:06.90|{\an7\fs16\bord0\shad0\c&H50A050&\pos(24,296)}P
EOF_LINES
  truth_srt fs_lettering <<< "$FS_SIGN_SUBS"
fi
# Cut off in the middle of the second subtitle.
if [ ! -s fs_truncated.mkv ]; then
  ff -i en_two.mp4 -c copy fs_whole.mkv
  head -c "$(( $(stat -c %s fs_whole.mkv) * 62 / 100 ))" fs_whole.mkv > fs_truncated.mkv
  rm -f fs_whole.mkv
fi
# Damaged: one byte in about 400 of the video's packets overwritten (the noise filter's seed is
# fixed, so the same bytes every time).
[ -s fs_damaged.mkv ] || ff -i en_two.mp4 -c copy -bsf:v noise=amount=400 fs_damaged.mkv
# Subtitles carried as text beside the burned-in ones: SubRip in Matroska, timed text in MP4.
[ -s fs_textsubs.mkv ] || ff -i en_two.mp4 -i en_two.truth.srt -map 0 -map 1 -c copy -c:s srt \
  -metadata:s:s:0 language=eng fs_textsubs.mkv
[ -s fs_textsubs.mp4 ] || ff -i en_two.mp4 -i en_two.truth.srt -map 0 -map 1 -c copy -c:s mov_text \
  -metadata:s:s:0 language=eng fs_textsubs.mp4
# Sound only.
[ -s no_video.wav ] || ff -f lavfi -i "sine=frequency=440:duration=1" no_video.wav

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
# over_cells_ass FILE W H STYLE TEXT: a subtitle file of TEXT shown for ten seconds over a W x H
# frame, in STYLE (the fields after the style's name).
over_cells_ass() {
  printf '[Script Info]\nScriptType: v4.00+\nPlayResX: %s\nPlayResY: %s\nWrapStyle: 2\nScaledBorderAndShadow: yes\n\n' "$2" "$3" > "$1"
  printf '[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\nStyle: Default,%s\n\n' "$4" >> "$1"
  printf '[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\nDialogue: 0,0:00:00.00,0:00:10.00,Default,,0,0,0,,%s\n' "$5" >> "$1"
}
# Two lines over a cellular automaton's bars (rule 53, seed fixed), whose rows of edges are as
# low as the letters' strokes: the detector boxes the first line only in slivers.
if [ ! -s strip_cells_two.png ]; then
  over_cells_ass strip_cells_two.ass 1280 720 \
    'DejaVu Serif,30,&H00FFFFFF,&H000000FF,&H00000000,&H60000000,-1,0,0,0,100,100,0,0,1,3,0,2,10,10,40,1' \
    'Nothing succeeds like excess.\NEternal nothingness is fine if you happen to be dressed for it.'
  ff -f lavfi -i "cellauto=s=240x135:rule=53:seed=1:r=10,trim=start_frame=30:end_frame=31,scale=1280:720,boxblur=2" \
    -vf "subtitles=strip_cells_two.ass,format=yuv420p,crop=1280:104:0:590" -frames:v 1 strip_cells_two.png
  rm -f strip_cells_two.ass
fi
# Two lines over another automaton's cells, through H.264 as a video gives them: at the size the
# detector works at it boxes bits of the second line, read unsure as 'btho hemse'.
if [ ! -s strip_cells_fragments.png ]; then
  over_cells_ass strip_cells_fragments.ass 1920 1080 \
    'Liberation Sans Narrow,62,&H00FFFFFF,&H000000FF,&H00000000,&H60000000,0,0,0,0,100,100,0,0,1,4,0,2,10,10,60,1' \
    'When the candles are out all women are fair.\NGod help those who do not help themselves.'
  ff -f lavfi -i "cellauto=s=240x135:rule=52:seed=12409:r=10,trim=start_frame=30:end_frame=31,scale=1920:1080,boxblur=2" \
    -vf "subtitles=strip_cells_fragments.ass,format=yuv420p" -frames:v 1 -c:v libx264 -preset veryfast -crf 23 \
    strip_cells_fragments.tmp.mp4
  ff -i strip_cells_fragments.tmp.mp4 -vf "crop=1920:241:0:797" -frames:v 1 strip_cells_fragments.png
  rm -f strip_cells_fragments.ass strip_cells_fragments.tmp.mp4
fi

# A video cut short: the index at the front promises six seconds, the pictures stop after half.
if [ ! -s truncated.mp4 ]; then
  ff -i en_two.mp4 -c copy -movflags +faststart en_two_indexed.tmp.mp4
  head -c $(( $(stat -c %s en_two_indexed.tmp.mp4) / 2 )) en_two_indexed.tmp.mp4 > truncated.mp4
  rm -f en_two_indexed.tmp.mp4
fi

# Sound without pictures.
[ -s audio_only.m4a ] || ff -f lavfi -i "sine=frequency=440:duration=2" -c:a aac audio_only.m4a

# Subtitle-area clips: subtitles at the bottom, at the top, beside a static logo and above a
# scrolling ticker, and none at all (only a logo on a busy picture).
AREA_SUBS='0:00:00.40|0:00:01.60|Where are you going
0:00:02.00|0:00:03.30|We have to leave now
0:00:03.80|0:00:05.20|Nobody knows the way'
AREA_TOP=$(sed 's/|\([^|]*\)$/|{\\an8}\1/' <<< "$AREA_SUBS")
AREA_LOGO='0:00:00.00|0:00:06.00|{\an9\pos(630,12)\fs22}TNX 24'
AREA_TICKER='0:00:00.00|0:00:06.00|{\an1\move(640,356,-700,356)\fs18}Markets close higher - Storm warning for the coast - Late train service resumes'
area_clip area_bottom 6 640 360 gradient 28 "$AREA_SUBS" ""
area_clip area_top 6 640 360 dark 28 "$AREA_TOP" ""
area_clip area_logo 6 640 360 gradient 28 "$AREA_SUBS" "$AREA_LOGO"
area_clip area_ticker 6 640 360 dark 28 "$(sed 's/^\(.*|\)/\1{\\an2\\pos(320,320)}/' <<< "$AREA_SUBS")" "$AREA_TICKER"
area_clip area_none 6 640 360 busy 28 "" "$AREA_LOGO"
# The same as a TV recording: no index to seek by, and a clock that does not start at zero.
[ -s area_bottom.ts ] || ff -i area_bottom.mp4 -c copy -output_ts_offset 1234.56 -f mpegts area_bottom.ts
