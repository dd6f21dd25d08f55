# Functions shared by the fixture and benchmark renderers; source it from a script.
# Subtitles are drawn by libass through ffmpeg's subtitles filter, so the clips look like real releases.

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }

# ass_file NAME FONT SIZE PRIMARY OUTLINE_COLOUR OUTLINE WIDTH HEIGHT, then dialogue lines on stdin
# as "start|end|text" (times h:mm:ss.cc, \N for a line break).
ass_file() {
  local name=$1 font=$2 size=$3 primary=$4 outline_colour=$5 outline=$6 w=$7 h=$8
  {
    printf '[Script Info]\nScriptType: v4.00+\nPlayResX: %s\nPlayResY: %s\nWrapStyle: 2\n\n' "$w" "$h"
    printf '[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n'
    # CLIP_BORDER_STYLE=3 draws a box of the outline colour behind each line instead of an outline.
    printf 'Style: Default,%s,%s,%s,&H000000FF,%s,&H80000000,0,0,0,0,100,100,0,0,%s,%s,%s,2,10,10,%s,1\n\n' \
      "$font" "$size" "$primary" "$outline_colour" "${CLIP_BORDER_STYLE:-1}" "$outline" "${CLIP_SHADOW:-0}" "$((h / 20))"
    printf '[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n'
    while IFS='|' read -r start end text; do
      printf 'Dialogue: 0,%s,%s,Default,,0,0,0,,%s\n' "$start" "$end" "$text"
    done
  } > "$name.ass"
}

# truth_srt NAME: the same "start|end|text" lines as an SRT file (\N becomes a line break,
# override tags such as {\fad(200,200)} are dropped).
truth_srt() {
  local n=0
  while IFS='|' read -r start end text; do
    n=$((n + 1))
    text=$(sed 's/{[^}]*}//g' <<< "$text")
    printf '%d\n%s --> %s\n%s\n\n' "$n" "$(srt_time "$start")" "$(srt_time "$end")" "${text//\\N/$'\n'}"
  done > "$1.truth.srt"
}

cs_time() { printf '%d:%02d:%02d.%02d' $(($1 / 360000)) $(($1 / 6000 % 60)) $(($1 / 100 % 60)) $(($1 % 100)); }

# Dialogue on a steady rhythm taken from the caller's `quotes` array: each line shown 1.5-4 s,
# gaps 0.3-1.5 s, from START centiseconds to 4 s before the end of SECONDS; the same SEED gives the
# same timeline. Prints "start|end|text" lines (ass_file's and truth_srt's input).
quote_timeline() { # start seed seconds
  local t=$1 seed=$2 secs=$3 i=0 d g lines=""
  while [ $t -lt $(( secs * 100 - 400 )) ]; do
    seed=$(( (seed * 1103515245 + 12345) % 2147483648 ))
    d=$(( 150 + (seed / 7) % 250 )); g=$(( 30 + (seed / 13) % 120 ))
    lines+="$(cs_time $t)|$(cs_time $((t + d)))|${quotes[$((i % ${#quotes[@]}))]}"$'\n'
    t=$((t + d + g)); i=$((i + 1))
  done
  printf '%s' "${lines%$'\n'}"
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
  local source moving="" length=":d=$secs"
  case $bg in
    dark) source="color=c=0x202830:s=${w}x${h}:r=${fps}" ;;
    busy) source="testsrc2=s=${w}x${h}:r=${fps}" ;;
    # A busy picture zooming in on every frame, with film grain: no edge stays put.
    panning) source="mandelbrot=s=${w}x${h}:r=${fps}:start_x=-0.743643887:start_y=0.131825904:end_pts=250"
             length=""; moving="trim=duration=$secs,noise=alls=6:allf=t," ;;
    gradient) source="gradients=s=${w}x${h}:r=${fps}:speed=0.05:c0=0x18304a:c1=0x6a3a22:c2=0x2a5a3a" ;;
    light) source="color=c=0xE8E4D8:s=${w}x${h}:r=${fps}" ;;
    *) source="color=c=${bg}:s=${w}x${h}:r=${fps}" ;;
  esac
  ff -f lavfi -i "$source$length" -vf "${moving}subtitles=$name.ass" ${CLIP_CODEC_ARGS:--c:v libx264 -preset veryfast} -pix_fmt "${CLIP_PIX_FMT:-yuv420p}" \
     -g "$fps" "$name.$ext"
}


# area_clip NAME SECS W H BACKGROUND SIZE SUBTITLES DISTRACTORS: a clip for the subtitle-area
# detector. SUBTITLES and DISTRACTORS are "start|end|text" lines (override tags allowed: {\an8} for
# the top, \pos for a logo, \move for a ticker). The subtitles alone are rendered once more over
# black into NAME.subs.mkv (lossless), which tells where their pixels are.
area_clip() {
  local name=$1 secs=$2 w=$3 h=$4 bg=$5 size=$6 subs=$7 extra=$8
  [ -s "$name.mp4" ] && return
  if [ -n "$subs" ]; then
    ass_file "$name.subs" "DejaVu Sans" "$size" '&H00FFFFFF' '&H00000000' 2 "$w" "$h" <<< "$subs"
    ff -f lavfi -i "color=c=black:s=${w}x${h}:r=25:d=$secs" -vf "subtitles=$name.subs.ass" -c:v ffv1 "$name.subs.mkv"
  fi
  clip "$name" mp4 "$secs" "$w" "$h" 25 "$bg" "DejaVu Sans" "$size" '&H00FFFFFF' '&H00000000' 2 \
    <<< "$(printf '%s\n%s\n' "$subs" "$extra" | grep -v '^$')"
}

# crossfaded NAME SCENE FADE SECS COUNT: joins the COUNT scenes [s0]... that $graph makes of
# $inputs, each SCENE seconds, with crossfades of FADE seconds, lays grain and NAME.ass over them
# and writes NAME.mp4 of SECS seconds (the film-like benchmark clips). FILM_GRAIN sets the grain's
# strength (default 4): temporal grain is what the encoder cannot predict, so it sets the bitrate
# and with it the cost of decoding (4 gives about 40 Mbit/s, 1 a broadcast's 8 or so).
crossfaded() {
  local name=$1 scene=$2 fade=$3 secs=$4 count=$5 s last=s0
  for ((s = 1; s < count; s++)); do
    graph+="[$last][s$s]xfade=transition=fade:duration=$fade:offset=$(( s * (scene - fade) ))[x$s];"
    last="x$s"
  done
  graph+="[$last]trim=duration=$secs,noise=alls=${FILM_GRAIN:-4}:allf=t,subtitles=$name.ass[v]"
  ff "${inputs[@]}" -filter_complex "$graph" -map "[v]" -c:v libx264 -preset veryfast -crf 23 -pix_fmt yuv420p -g 50 "$name.mp4"
}
