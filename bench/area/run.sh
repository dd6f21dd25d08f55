#!/usr/bin/env bash
# Subtitle-area benchmark: renders varied clips once (sizes, top and bottom, logos, tickers, busy
# and light pictures, a long 1080p clip with 10 s between key frames) and prints one row per clip.
# The long clip gets as many samples as a 2-hour film (the count is capped), so its time stands
# for a film's.
#   bench/area/run.sh         (after scripts/build.sh; TARNIX_BUILD_DIR picks another build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${TARNIX_BUILD_DIR:-$root/build}
clips=$build/bench-area
mkdir -p "$clips"
. "$root/scripts/lib-render.sh"
cd "$clips"

subs_at() { # TIMES_FILE_TEXT TAG -> lines with an override tag before each text
  sed "s/|\([^|]*\)$/|$2\1/" <<< "$1"
}
T='0:00:00.60|0:00:02.10|I never thought we would make it
0:00:02.70|0:00:04.40|Keep your voice down\Nthey can hear us
0:00:05.00|0:00:06.60|The train leaves at seven
0:00:07.40|0:00:08.90|Do you remember the river?'
ZH='0:00:00.60|0:00:02.10|我们明天早上七点出发
0:00:02.70|0:00:04.40|你还记得那条河边的房子吗
0:00:05.00|0:00:06.60|这是我最后一次问你
0:00:07.40|0:00:08.90|暴风雨会在午夜之前过去'
LOGO='0:00:00.00|0:00:10.00|{\an9\pos(1880,30)\fs40}TNX 24'
TICKER='0:00:00.00|0:00:10.00|{\an1\move(1920,1070,-2600,1070)\fs36}Markets close higher - Storm warning for the coast - Late train service resumes tonight'

area_clip bottom_720p_dark 10 1280 720 dark 40 "$T" ""
area_clip top_720p_gradient 10 1280 720 gradient 40 "$(subs_at "$T" '{\\an8}')" ""
area_clip bottom_1080p_busy_logo 10 1920 1080 busy 58 "$T" "$LOGO"
area_clip bottom_1080p_ticker 10 1920 1080 dark 58 "$(subs_at "$T" '{\\an2\\pos(960,990)}')" "$TICKER"
area_clip zh_bottom_1080p_gradient 10 1920 1080 gradient 60 "$ZH" ""
area_clip zh_top_720p_light 10 1280 720 light 44 "$(subs_at "$ZH" '{\\an8\\1c\&H101010\&\\3c\&HFFFFFF\&}')" ""
# Dialogue at the bottom and signs at the top at other times: two areas, both to be found.
SIGNS='0:00:01.20|0:00:03.40|{\an8}North Station - Platform 4
0:00:05.60|0:00:08.20|{\an8}Harbour Road, 1987'
area_clip two_areas_1080p_gradient 10 1920 1080 gradient 54 "$(printf '%s\n%s' "$T" "$SIGNS")" ""
area_clip none_1080p_busy_logo 10 1920 1080 busy 58 "" "$LOGO"
area_clip none_720p_gradient 10 1280 720 gradient 40 "" ""
# Two minutes of 1080p with a key frame every 10 s, subtitles throughout.
if [ ! -s long_1080p.mp4 ]; then
  long=""; for i in $(seq 0 11); do long+="$(sed "s/^0:00:0\([0-9]\)/0:0$((i / 6)):$((i % 6))\1/; s/|0:00:0\([0-9]\)/|0:0$((i / 6)):$((i % 6))\1/" <<< "$T")"$'\n'; done
  CLIP_CODEC_ARGS="-c:v libx264 -preset veryfast -x264-params keyint=250:min-keyint=250" \
    area_clip long_1080p 120 1920 1080 gradient 58 "$(grep -v '^$' <<< "$long")" ""
fi
# A two-hour 1080p film: three stretches of a moving picture (97, 89 and 103 s) with a subtitle
# every 3.5 s, key frames only every 10 s, repeated in turn by stream copy. The stretches' lengths
# and the subtitles' offsets differ, so the key frames fall at varied points of the subtitles. Its
# subtitle pixels are those of one round of the three.
film_part() { # NAME SECONDS OFFSET_TENTHS
  local lines=("I never thought we would make it" "Keep your voice down\\Nthey can hear us" "The train leaves at seven"
               "Do you remember the river?" "Nobody knows the way back" "It is raining outside") subs i s e
  subs=$(for ((i = 0; (i + 1) * 35 + $3 < $2 * 10; i++)); do
    s=$((i * 35 + $3)); e=$((s + 25))
    printf '0:%02d:%02d.%d0|0:%02d:%02d.%d0|%s\n' $((s / 600)) $((s / 10 % 60)) $((s % 10)) \
      $((e / 600)) $((e / 10 % 60)) $((e % 10)) "${lines[(i + $3) % 6]}"
  done)
  CLIP_CODEC_ARGS="-c:v libx264 -preset ultrafast -crf 28 -x264-params keyint=250:min-keyint=250:scenecut=0" \
    area_clip "$1" "$2" 1920 1080 busy 58 "$subs" ""
}
if [ ! -s film_2h_1080p.mp4 ]; then
  mkdir -p film && (
    cd film
    film_part a 97 5; film_part b 89 17; film_part c 103 29
    for i in $(seq 25); do printf 'file %s.mp4\n' a b c; done > parts.txt
    printf 'file %s.subs.mkv\n' a b c > round.txt
    ff -f concat -safe 0 -i round.txt -c copy round.subs.mkv
  )
  ff -f concat -safe 0 -i film/parts.txt -c copy film_2h_1080p.mp4
  ln -sf film/round.subs.mkv film_2h_1080p.subs.mkv
fi
"$build/bench/area/bench_area" "$clips"/*.mp4
