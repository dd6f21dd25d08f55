#!/usr/bin/env bash
# Renders the end-to-end benchmark clips into the folder given, each with <clip>.truth.srt and
# <clip>.lang (the recognition language to use). Varied on purpose: colours, outlines, shadows,
# backgrounds, sizes, frame rates, codecs, containers, one and two lines, English and Chinese,
# back-to-back and very short subtitles. Existing clips are kept.
set -euo pipefail
. "$(cd "$(dirname "$0")/../../scripts" && pwd)/lib-render.sh"
out=${1:?usage: render-clips.sh FOLDER}
mkdir -p "$out"
cd "$out"

EN=(
  "I never thought we would make it this far"
  "Keep your voice down, they can hear us"
  "The train leaves at seven tomorrow morning"
  "Do you remember the house by the river?"
  "We should have listened to her warning"
  "Nobody knows where the money went"
  "Give me one good reason to stay"
  "The storm will pass before midnight"
  "Can you hear the music from the hall?"
  "This is the last time I ask you"
)
EN2=(
  "Where were you last night?\\NI waited for hours"
  "Take the map with you\\Nand do not stop until dawn"
  "It was never about the gold\\Nit was about the promise"
  "Listen to me carefully\\Nwe only get one chance"
  "The doors close at nine\\Nso we have to hurry"
  "She left a letter on the table\\Nbut nobody read it"
)
ZH=(
  "我们明天早上七点出发"
  "你还记得那条河边的房子吗"
  "这是我最后一次问你"
  "暴风雨会在午夜之前过去"
  "没有人知道钱去了哪里"
  "给我一个留下来的理由"
  "他们已经在门口等了很久"
  "请把灯关掉然后早点休息"
)
BI=(
  "你到底去哪儿了\\NWhere have you been"
  "我们没有时间了\\NWe are out of time"
  "相信我这一次\\NTrust me this once"
  "外面下雨了\\NIt is raining outside"
  "别回头继续走\\NDo not look back keep going"
)
MIXED=(
  "我爱New York"
  "明天我们去Times Square看看"
  "他说Good morning然后走了"
  "这部Star Wars电影很好看"
  "我们在Central Park见面"
  "她最喜欢的歌是Yellow Submarine"
)

# timeline GAP_MIN_CS GAP_SPREAD_CS DUR_MIN_CS DUR_SPREAD_CS TEXT...: "start|end|text" lines from 1 s on,
# with pseudo-random but repeatable gaps and durations (centiseconds).
timeline() {
  local gmin=$1 gspread=$2 dmin=$3 dspread=$4; shift 4
  local t=100 i=0 seed=7
  for text in "$@"; do
    seed=$(( (seed * 1103515245 + 12345) % 2147483648 ))
    local d=$(( dmin + (seed / 7) % (dspread + 1) ))
    local g=$(( gmin + (seed / 13) % (gspread + 1) ))
    printf '%s|%s|%s\n' "$(cs_time $t)" "$(cs_time $((t + d)))" "$text"
    t=$((t + d + g)); i=$((i + 1))
  done
}
length_of() { # seconds of media for a timeline: last end + 1.5 s
  local last; last=$(tail -n 1 <<< "$1" | cut -d'|' -f2)
  local s=${last%.*}; s=${s##*:}; local m=${last#*:}; m=${m%%:*}
  echo $(( 10#$m * 60 + 10#$s + 2 ))
}
make_clip() { # NAME EXT LANG W H FPS BG FONT SIZE PRIMARY OUTLINE_COLOUR OUTLINE TIMELINE
  local name=$1 ext=$2 lang=$3; shift 3
  local lines=${*: -1}
  local secs; secs=$(length_of "$lines")
  echo "$lang" > "$name.lang"
  clip "$name" "$ext" "$secs" "${@:1:$#-1}" <<< "$lines"
}

make_clip en_white_outline_720p25 mp4 en 1280 720 25 dark "DejaVu Sans" 40 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 40 40 160 100 "${EN[@]}")"
CLIP_CODEC_ARGS="-c:v mpeg4 -q:v 3" \
make_clip en_yellow_busy_1080p30 mkv en 1920 1080 30 busy "Liberation Sans" 58 '&H0000FFFF' '&H00000000' 3 \
  "$(timeline 40 40 160 100 "${EN[@]:3}" "${EN[@]:0:3}")"
CLIP_SHADOW=2 \
make_clip en_twoline_grey_shadow_720p30 mp4 en 1280 720 30 gradient "DejaVu Serif" 38 '&H00E0E0E0' '&H00202020' 1 \
  "$(timeline 40 40 200 100 "${EN2[@]}")"
make_clip en_backtoback_short_720p25 mkv en 1280 720 25 dark "Liberation Serif" 42 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 0 0 70 150 "${EN[@]:5}" "${EN[@]:0:5}")"
make_clip en_dark_on_light_720p25 mp4 en 1280 720 25 light "DejaVu Sans" 40 '&H00101010' '&H00FFFFFF' 0 \
  "$(timeline 40 40 160 100 "${EN[@]:2:6}")"
make_clip zh_white_outline_1080p25 mp4 zh-Hans 1920 1080 25 dark "WenQuanYi Micro Hei" 60 '&H00FFFFFF' '&H00000000' 3 \
  "$(timeline 40 40 160 100 "${ZH[@]}")"
make_clip zh_yellow_busy_720p30 mkv zh-Hans 1280 720 30 busy "WenQuanYi Micro Hei" 44 '&H0000FFFF' '&H00000000' 2 \
  "$(timeline 30 50 150 100 "${ZH[@]:4}" "${ZH[@]:0:4}")"
make_clip zh_en_bilingual_720p25 mp4 zh-Hans+en 1280 720 25 dark "WenQuanYi Micro Hei" 40 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 40 40 200 80 "${BI[@]}")"
make_clip zh_en_mixed_line_720p25 mp4 zh-Hans+en 1280 720 25 dark "WenQuanYi Micro Hei" 40 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 40 40 200 80 "${MIXED[@]}")"

# Fast-scan cases: very short subtitles, one-word changes back to back, 200 ms fades, a stream
# starting late (MPEG-TS), a phone clip stored on its side, and long clips for memory.
make_clip en_short_subs_720p25 mp4 en 1280 720 25 dark "DejaVu Sans" 40 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 40 40 30 30 "${EN[@]}")"
ONEWORD=(
  "Keep your voice down" "Keep your voice low" "The train leaves at seven" "The train leaves at eight"
  "Nobody knows where it went" "Nobody knows where she went" "Give me one good reason" "Give me one more reason"
)
make_clip en_oneword_b2b_720p25 mp4 en 1280 720 25 dark "DejaVu Sans" 40 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 0 0 90 60 "${ONEWORD[@]}")"
FADED=(); for t in "${EN[@]:0:8}"; do FADED+=("{\\fad(200,200)}$t"); done
make_clip en_fade200_720p25 mp4 en 1280 720 25 dark "DejaVu Sans" 40 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 40 40 160 100 "${FADED[@]}")"
if [ ! -s en_late_start_720p25.ts ]; then
  make_clip en_late_start_src mp4 en 1280 720 25 gradient "Liberation Sans" 40 '&H00FFFFFF' '&H00000000' 2 \
    "$(timeline 40 40 160 100 "${EN[@]:1:7}")"
  # A TV recording's clock: players still show its first frame at 00:00:00, so the truth stands.
  ff -i en_late_start_src.mp4 -c copy -output_ts_offset 1234.56 -f mpegts en_late_start_720p25.ts
  cp en_late_start_src.truth.srt en_late_start_720p25.truth.srt
  cp en_late_start_src.lang en_late_start_720p25.lang
  rm -f en_late_start_src.*
fi
if [ ! -s en_phone_rotated_720x1280.mp4 ]; then
  make_clip en_phone_src mp4 en 720 1280 30 dark "DejaVu Sans" 36 '&H00FFFFFF' '&H00000000' 2 \
    "$(timeline 40 40 160 100 "${EN[@]:4:5}")"
  ff -i en_phone_src.mp4 -vf transpose=clock -c:v libx264 -preset veryfast -pix_fmt yuv420p en_phone_sideways.mp4
  ff -i en_phone_sideways.mp4 -c copy -metadata:s:v:0 rotate=90 en_phone_rotated_720x1280.mp4
  cp en_phone_src.truth.srt en_phone_rotated_720x1280.truth.srt; cp en_phone_src.lang en_phone_rotated_720x1280.lang
  rm -f en_phone_src.* en_phone_sideways.mp4
fi
# Memory: the same kind of clip lasting one and ten minutes (run.sh scans these fast only).
long_timeline() { local n=$1 i t=100 out=""; for ((i = 0; i < n; i++)); do
  out+="$(cs_time $t)|$(cs_time $((t + 250)))|${EN[$((i % ${#EN[@]}))]}"$'\n'; t=$((t + 400)); done; printf '%s' "$out"; }
CLIP_CODEC_ARGS="-c:v libx264 -preset ultrafast" \
make_clip long_1min_1080p25 mp4 en 1920 1080 25 dark "DejaVu Sans" 58 '&H00FFFFFF' '&H00000000' 3 "$(long_timeline 14)"
CLIP_CODEC_ARGS="-c:v libx264 -preset ultrafast" \
make_clip long_10min_1080p25 mp4 en 1920 1080 25 dark "DejaVu Sans" 58 '&H00FFFFFF' '&H00000000' 3 "$(long_timeline 149)"

# Hard cases: white letters on a bright picture, slow fades, a box over a busy picture, italics,
# dense Chinese over a moving picture, a low-resolution VP9 clip, 10-bit HEVC and three minutes
# of subtitles (long_*: scanned fast only).
make_clip hard_bright_720p25 mp4 en 1280 720 25 0xD8D8D0 "DejaVu Sans" 40 '&H00FFFFFF' '&H00303030' 1 \
  "$(timeline 40 40 160 100 "${EN[@]:0:8}")"
SLOW=(); for t in "${EN[@]:2:8}"; do SLOW+=("{\\fad(500,500)}$t"); done
make_clip hard_fade500_720p25 mp4 en 1280 720 25 gradient "DejaVu Sans" 40 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 40 40 200 100 "${SLOW[@]}")"
CLIP_BORDER_STYLE=3 \
make_clip hard_box_busy_1080p25 mp4 en 1920 1080 25 busy "Liberation Sans" 52 '&H00FFFFFF' '&H60000000' 6 \
  "$(timeline 40 40 160 100 "${EN[@]:4}" "${EN[@]:0:4}")"
ITALIC=(); for t in "${EN[@]:1:8}"; do ITALIC+=("{\\i1}$t"); done
make_clip hard_italic_720p25 mp4 en 1280 720 25 gradient "Liberation Serif" 44 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 40 40 160 100 "${ITALIC[@]}")"
DENSE=()
for ((i = 0; i < ${#ZH[@]}; i += 2)); do DENSE+=("${ZH[$i]}，${ZH[$((i + 1))]}\\N${ZH[$(((i + 3) % ${#ZH[@]}))]}"); done
make_clip hard_zh_dense_1080p25 mp4 zh-Hans 1920 1080 25 panning "WenQuanYi Micro Hei" 48 '&H00FFFFFF' '&H00000000' 2 \
  "$(timeline 40 40 250 100 "${DENSE[@]}")"
CLIP_CODEC_ARGS="-c:v libvpx-vp9 -b:v 400k -deadline realtime -cpu-used 8" \
make_clip hard_lowres_vp9_360p25 mkv en 640 360 25 busy "DejaVu Sans" 22 '&H00FFFFFF' '&H00000000' 1 \
  "$(timeline 40 40 160 100 "${EN[@]:3:7}")"
CLIP_CODEC_ARGS="-c:v libx265 -preset ultrafast -x265-params log-level=error" CLIP_PIX_FMT=yuv420p10le \
make_clip hard_hevc10_1080p25 mkv en 1920 1080 25 gradient "DejaVu Sans" 56 '&H0000FFFF' '&H00000000' 3 \
  "$(timeline 40 40 160 100 "${EN[@]:0:7}")"
CLIP_CODEC_ARGS="-c:v libx264 -preset ultrafast" \
make_clip long_3min_720p25 mp4 en 1280 720 25 gradient "DejaVu Sans" 40 '&H00FFFFFF' '&H00000000' 2 "$(long_timeline 44)"
