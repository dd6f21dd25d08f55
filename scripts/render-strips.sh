#!/usr/bin/env bash
# Renders the subtitle strips that bench_ocr reads: video-like frames (moving test patterns,
# fractals, noise, gradients, flat colours) with burned-in subtitles drawn by libass in many
# styles, passed through H.264 like a real video, then cropped to the subtitle area.
# Usage: render-strips.sh OUT_DIR [SEED]   (writes OUT_DIR/strips.tsv and the PNG files; skips work
# done). Another SEED gives another set of texts, styles and backgrounds, to check that changes
# made for one set hold for others.
# strips.tsv columns: name, language (en, zh, or none for a strip without text), width, style,
# background, lines joined by "\N".
# STRIP_ENGLISH_TEXTS (a file, one line of text a line) and STRIP_ENGLISH_FONTS (comma-separated
# families) replace the English texts and faces: a held-out set shares neither with the others.
set -euo pipefail
out=${1:?usage: render-strips.sh OUT_DIR [SEED]}
seed=${2:-2024}
mkdir -p "$out"
cd "$out"
[ -s strips.tsv ] && exit 0

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
# Every draw happens in this shell and answers in REPLY: bash reseeds RANDOM in a command
# substitution, so a draw made there would make the same SEED give another set each time.
RANDOM=$seed
pick() { local -n list=$1; REPLY=${list[RANDOM % ${#list[@]}]}; }
# hex VAR DIGITS MIN RANGE...: VAR gets one byte per range, MIN + a draw below RANGE.
hex() {
  local -n out=$1; out=""
  local min=$2 range part; shift 2
  for range; do printf -v part %02x $((min + RANDOM % range)); out+=$part; done
}

english=(
  "Where are you going tonight?" "I told you not to come back here." "We have to leave before dawn."
  "That's not what I meant, Sarah." "How much longer do we have to wait?" "Turn left at the next corner."
  "He said he'd call me at 9 o'clock." "Nobody knows the truth except us." "Please, just listen to me for once."
  "The train leaves in twenty minutes." "Why didn't you tell me earlier?" "I can't believe it's been 10 years."
  "Keep your voice down, they'll hear us." "Give me the keys. Now!" "It's only a matter of time."
  "She was born in London in 1987." "Are you sure this is the right house?" "Let's get out of here."
  "Thank you for everything you've done." "Don't worry, I'll be fine." "What happened to the money?"
  "You look like you've seen a ghost." "Follow me and stay close." "The meeting starts at half past two."
  "I have never seen anything like this." "Call the police, quickly!" "We're running out of options."
  "Maybe we should try again tomorrow." "Who else knows about this place?" "Just a little bit further."
  "Good morning, Mr. Johnson." "Is anybody there? Hello?" "I think we're being followed."
  "Everything is going according to plan." "You were right about him all along." "Hold on, I'm coming with you."
  "The weather is lovely today." "My brother works at the hospital." "Could you pass me the salt, please?"
  "Open the door slowly." "I'll explain everything later." "It was a quiet night in the village."
)
chinese=(
  "你今天晚上要去哪里" "我们明天早上八点见" "这件事情你不要告诉别人" "他说他会给我打电话"
  "我真的不知道该怎么办" "快走，他们马上就到了" "你为什么不早点告诉我" "谢谢你为我做的一切"
  "我们必须在天亮之前离开" "这个地方我以前来过" "别担心，我没事的" "钱到底去哪儿了"
  "请你听我说完好吗" "火车还有二十分钟就开了" "我从来没有见过这样的事" "跟着我，不要走散了"
  "你确定是这栋房子吗" "我觉得有人在跟踪我们" "一切都按照计划进行" "他的哥哥在医院工作"
  "今天的天气真好" "我们再试一次吧" "还有谁知道这个地方" "十年过去了，什么都变了"
  "把钥匙给我" "我会把一切都解释清楚" "村子里的夜晚很安静" "你是对的，我错了"
  "门慢慢地打开了" "我们没有时间了" "这是我最后一次机会" "妈妈做的饭最好吃"
)
english_fonts=("DejaVu Sans" "DejaVu Serif" "Liberation Sans" "Liberation Serif")
if [ -n "${STRIP_ENGLISH_TEXTS:-}" ]; then mapfile -t english < "$STRIP_ENGLISH_TEXTS"; fi
if [ -n "${STRIP_ENGLISH_FONTS:-}" ]; then IFS=, read -r -a english_fonts <<< "$STRIP_ENGLISH_FONTS"; fi
widths=(640 1280 1280 1920 1280 3840)

# background W H KIND: REPLY gets an ffmpeg source (with filters) of one frame.
background() {
  local w=$1 h=$2 kind=$3 t c0 c1
  t=$((RANDOM % 20))
  case $kind in
    testsrc) REPLY="testsrc2=s=${w}x${h}:r=10:d=3,trim=start_frame=$t:end_frame=$((t + 1))" ;;
    soft) REPLY="testsrc2=s=480x270:r=10:d=3,trim=start_frame=$t:end_frame=$((t + 1)),boxblur=6,scale=${w}:${h}" ;;
    fractal) REPLY="mandelbrot=s=480x270:maxiter=300:start_scale=$((1 + RANDOM % 3)).$((RANDOM % 9)):start_x=-0.$((RANDOM % 9))43:start_y=0.$((RANDOM % 9))2:outer=normalized_iteration_count,trim=end_frame=1,scale=${w}:${h}" ;;
    noise) hex c0 0 256 256 256; hex c1 0 256 256 256
           REPLY="gradients=s=480x270:c0=0x$c0:c1=0x$c1:seed=$RANDOM,trim=end_frame=1,scale=${w}:${h},noise=alls=70:allf=u" ;;
    gradient) hex c0 0 256 256 256
              REPLY="gradients=s=480x270:c0=0x$c0:c1=0x202020:seed=$RANDOM,trim=end_frame=1,scale=${w}:${h}" ;;
    bright) REPLY="gradients=s=480x270:c0=0xb0d8ff:c1=0xf0f0e0:seed=$RANDOM,trim=end_frame=1,scale=${w}:${h}" ;;
    cells) REPLY="cellauto=s=240x135:rule=$((18 + RANDOM % 100)):seed=$RANDOM:r=10,trim=start_frame=30:end_frame=31,scale=${w}:${h},boxblur=2" ;;
    dark) hex c0 0 60 60 70; REPLY="color=c=0x$c0:s=${w}x${h}:d=1" ;;
    greytex) REPLY="cellauto=s=240x135:rule=$((18 + RANDOM % 100)):seed=$RANDOM:r=10,trim=start_frame=30:end_frame=31,scale=${w}:${h},boxblur=1,lutrgb=r=96+val/4:g=96+val/4:b=96+val/4,noise=alls=30:allf=u" ;;
    pastel) hex c0 200 56 56 56
            REPLY="gradients=s=480x270:c0=0x$c0:c1=0xf8e8f0:seed=$RANDOM,trim=end_frame=1,scale=${w}:${h}" ;;
  esac
}

# ass NAME FONT SIZE BOLD PRIMARY OUTLINE_COLOUR BORDER_STYLE OUTLINE SHADOW W H MARGIN_V TEXT
ass() {
  {
    printf '[Script Info]\nScriptType: v4.00+\nPlayResX: %s\nPlayResY: %s\nWrapStyle: 2\nScaledBorderAndShadow: yes\n\n' "${10}" "${11}"
    printf '[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n'
    printf 'Style: Default,%s,%s,%s,&H000000FF,%s,&H60000000,%s,'"${ITALIC:-0}"',0,0,100,100,0,0,%s,%s,%s,2,10,10,%s,1\n\n' \
      "$2" "$3" "$5" "$6" "$4" "$7" "$8" "$9" "${12}"
    printf '[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n'
    printf 'Dialogue: 0,0:00:00.00,0:00:10.00,Default,,0,0,0,,%s\n' "${13}"
  } > "$1.ass"
}

# fit_size: a subtitle never runs off the picture, so a line too long for the width at the size
# drawn gets a smaller size (about 0.64 em a character covers the wide and the bold faces).
fit_size() {
  local longest=0 part room estimate
  while IFS= read -r part; do [ ${#part} -gt $longest ] && longest=${#part}; done <<< "${text//\\N/$'\n'}"
  room=$((w * 94 / 100 - 20 - h / 50))
  estimate=$((longest * size * 64 / 100))
  [ "$estimate" -gt "$room" ] && size=$((size * room / estimate))
  return 0
}

# strip NAME LANGUAGE STYLE W: renders one strip and appends its line to the manifest.
strip() {
  local name=$1 language=$2 style=$3 w=$4
  local h=$((w * 9 / 16)) size font bold=0 lines text primary outline_colour="&H00000000" border=1 outline=0 shadow=0 bg
  size=$((h * (45 + RANDOM % 30) / 1000))
  if [ "$style" = italic-dialogue ]; then
    [ "$language" = zh ] && font="WenQuanYi Micro Hei" || { pick english_fonts; font=$REPLY; }
    [ "$language" = zh ] && pick chinese_dialogue || pick english_dialogue
    text=$REPLY
  elif [ "$style" = dense ]; then
    font="WenQuanYi Micro Hei"
    local part
    text=""
    for part in "" "，" "\\N" "，"; do pick chinese; text+="$part$REPLY"; done
    size=$((h * (36 + RANDOM % 8) / 1000))
  elif [ "$language" = zh ]; then
    font="WenQuanYi Micro Hei"
    pick chinese; text=$REPLY
    [ $((RANDOM % 5)) -lt 2 ] && pick chinese && text="$text\\N$REPLY"
  else
    pick english_fonts; font=$REPLY
    pick english; text=$REPLY
    [ $((RANDOM % 5)) -lt 2 ] && pick english && text="$text\\N$REPLY"
  fi
  fit_size
  [ $((RANDOM % 4)) -eq 0 ] && bold=-1
  local thin=$((h / 360 + 1)) thick=$((h / 200 + 2))
  case $style in
    white-outline) primary="&H00FFFFFF"; outline=$thick; pick busy_backgrounds; bg=$REPLY ;;
    white-thin) primary="&H00FFFFFF"; outline=$thin; pick busy_backgrounds; bg=$REPLY ;;
    yellow-outline) primary="&H0000FFFF"; outline=$thick; pick busy_backgrounds; bg=$REPLY ;;
    yellow-shadow) primary="&H0020E0FF"; shadow=$thick; pick calm_backgrounds; bg=$REPLY ;;
    grey-plain) primary="&H00D0D0D0"; pick calm_backgrounds; bg=$REPLY ;;
    white-shadow) primary="&H00F0F0F0"; outline=$thin; shadow=$thick; pick busy_backgrounds; bg=$REPLY ;;
    cyan-outline) primary="&H00FFF0A0"; outline=$thick; outline_colour="&H00301010"; pick busy_backgrounds; bg=$REPLY ;;
    dark-panel) hex primary 0 80 50 50; primary="&H00$primary"
                local blue; hex blue 200 56; hex outline_colour 210 46 46; outline_colour="&H00$blue$outline_colour"
                border=3; outline=$((size / 6)); pick busy_backgrounds; bg=$REPLY ;;
    dark-plain) primary="&H00101010"; bg=bright ;;
    yellow-plain) primary="&H0000FFFF"; bg=greytex ;;
    white-pastel) primary="&H00FFFFFF"; outline=$thin; outline_colour="&H00606060"; bg=pastel ;;
    opaque-box) primary="&H00FFFFFF"; outline_colour="&H00181818"; border=3; outline=$((size / 6)); pick busy_backgrounds; bg=$REPLY ;;
    italic-dialogue) primary="&H00FFFFFF"; outline=$thick; pick busy_backgrounds; bg=$REPLY ;;
    dense) primary="&H00FFFFFF"; outline=$thin; pick busy_backgrounds; bg=$REPLY ;;
    480p) primary="&H00FFFFFF"; outline=$thin; shadow=$thin; pick busy_backgrounds; bg=$REPLY ;;
  esac
  local single=${text//\\N/}
  lines=$(( (${#text} - ${#single}) / 2 + 1 ))
  local margin=$((h / 18))
  ass "$name" "$font" "$size" "$bold" "$primary" "$outline_colour" "$border" "$outline" "$shadow" "$w" "$h" "$margin" "$text"
  # The crop a user would draw: the subtitle area with some slack, the full width.
  local strip_h=$((size * (13 * lines + 6 + RANDOM % 8) / 10))
  local bottom=$((h - margin + size * (2 + RANDOM % 4) / 10))
  [ $bottom -gt $h ] && bottom=$h
  local top=$((bottom - strip_h))
  background "$w" "$h" "$bg"
  ff -f lavfi -i "$REPLY" -vf "subtitles=$name.ass,format=yuv420p" -frames:v 1 \
     -c:v libx264 -preset veryfast -crf 23 "$name.mp4"
  ff -i "$name.mp4" -vf "crop=$w:$((bottom - top)):0:$top" -frames:v 1 "$name.png"
  rm -f "$name.mp4" "$name.ass"
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$language" "$w" "$style" "$bg" "$text" >> strips.tsv.part
}

blank() {
  local name=$1 w=$2 bg=$3
  local h=$((w * 9 / 16)) strip_h=$((w * 9 / 16 / 8))
  background "$w" "$h" "$bg"
  ff -f lavfi -i "$REPLY,format=yuv420p" -frames:v 1 -c:v libx264 -preset veryfast -crf 23 "$name.mp4"
  ff -i "$name.mp4" -vf "crop=$w:$strip_h:0:$((h - strip_h - h / 30))" -frames:v 1 "$name.png"
  rm -f "$name.mp4"
  printf '%s\tnone\t%s\tnone\t%s\t\n' "$name" "$w" "$bg" >> strips.tsv.part
}

busy_backgrounds=(testsrc soft fractal noise gradient cells dark testsrc fractal)
calm_backgrounds=(dark gradient soft fractal dark)
styles=(white-outline yellow-outline white-thin white-shadow yellow-shadow grey-plain cyan-outline dark-panel
        white-outline yellow-outline dark-plain white-outline)
rm -f strips.tsv.part
n=0
for language in en zh; do
  count=$([ "$language" = en ] && echo 48 || echo 36)
  for ((i = 0; i < count; ++i)); do
    n=$((n + 1))
    pick widths
    strip "$(printf '%s_%03d' "$language" "$i")" "$language" "${styles[i % ${#styles[@]}]}" "$REPLY"
  done
done
blank_backgrounds=(testsrc soft fractal noise gradient cells dark bright testsrc fractal noise cells)
for ((i = 0; i < ${#blank_backgrounds[@]}; ++i)); do
  pick widths
  blank "$(printf 'blank_%03d' "$i")" "$REPLY" "${blank_backgrounds[i]}"
done
# The hard cases users meet: yellow without outline over textured grey, white over a bright
# pastel with a thin outline, an opaque box, italic dialogue with dashes, dense Chinese, 480p.
english_dialogue=(
  "- Who is it?\\N- It's me, open the door." "- Are you coming?\\N- I don't know yet." "- Where were you?\\N- I was at work."
  "- I need your help.\\N- What do you want?" "- Is he gone?\\N- I think so." "- Did you hear that?\\N- Hear what?"
)
chinese_dialogue=(
  "- 是谁？\\N- 是我，开门。" "- 你来吗？\\N- 我还不知道。" "- 你去哪儿了？\\N- 我在上班。"
  "- 我需要你的帮助。\\N- 你想要什么？" "- 他走了吗？\\N- 我想是的。" "- 你听到了吗？\\N- 听到什么？"
)
hard_styles=(yellow-plain white-pastel opaque-box italic-dialogue 480p)
for language in en zh; do
  for style in "${hard_styles[@]}" dense; do
    [ "$style" = dense ] && [ "$language" = en ] && continue
    for ((i = 0; i < 4; ++i)); do
      pick widths; w=$REPLY
      [ "$style" = 480p ] && w=854
      italic=0; [ "$style" = italic-dialogue ] && italic=-1
      ITALIC=$italic strip "$(printf '%s_%s_%d' "$language" "$style" "$i")" "$language" "$style" "$w"
    done
  done
done
mv strips.tsv.part strips.tsv
