#!/usr/bin/env bash
# Event-loop stall benchmark: renders a few short clips (once), runs each as a batch at rate 1 and
# by the fast scan, then drops 50 files (videos of varied codecs and containers under varied names,
# and a few that are not videos) on the batch page. Prints the longest gap of the GUI thread's loop
# per scene; the target is under 50 ms.
#   bench/stall/run.sh   (after scripts/build.sh; TARNIX_BUILD_DIR picks another build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${TARNIX_BUILD_DIR:-$root/build}
clips=$build/bench-stall
mkdir -p "$clips"
. "$root/scripts/lib-render.sh"
cd "$clips"

EN='0:00:00.50|0:00:02.00|The train leaves at seven
0:00:02.50|0:00:04.00|Keep your voice down\Nthey can hear us
0:00:04.50|0:00:05.80|Do you remember the river?'
ZH='0:00:00.50|0:00:02.00|我们明天早上七点出发
0:00:02.50|0:00:04.00|你还记得那条河边的房子吗
0:00:04.50|0:00:05.80|暴风雨会在午夜之前过去'
clip stall_en_dark mp4 6 1280 720 25 dark "DejaVu Sans" 40 '&H00FFFFFF' '&H00000000' 2 <<< "$EN"
clip stall_zh_gradient mkv 6 1920 1080 30 gradient "WenQuanYi Micro Hei" 60 '&H0000FFFF' '&H00000000' 3 <<< "$ZH"
CLIP_CODEC_ARGS="-c:v libvpx-vp9 -b:v 1M -deadline realtime -cpu-used 8" \
  clip stall_en_light webm 6 854 480 24 light "DejaVu Serif" 30 '&H00101010' '&H00FFFFFF' 1 <<< "$EN"

# 50 files to drop: the three clips under many names, and five that only look like videos.
mkdir -p drop
names=(film "Épisode 1" "字幕 测试" "50% #1" -dash "a b c" trailer clip scene "night (2)")
i=0
for n in "${names[@]}"; do
  for c in stall_en_dark.mp4 stall_zh_gradient.mkv stall_en_light.webm stall_en_dark.mp4; do
    i=$((i + 1))
    [ -e "drop/$n $i.${c##*.}" ] || ln -s "$clips/$c" "drop/$n $i.${c##*.}"
  done
done
for k in 1 2 3 4 5; do
  i=$((i + 1))
  [ -e "drop/notes $i.mp4" ] || printf 'not a video %d\n' "$k" > "drop/notes $i.mp4"
done
while [ "$(ls drop | wc -l)" -lt 50 ]; do
  i=$((i + 1))
  ln -s "$clips/stall_en_dark.mp4" "drop/extra $i.mp4"
done

files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$clips/drop" -mindepth 1 -print0 | sort -z)
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} QT_MEDIA_BACKEND=${QT_MEDIA_BACKEND:-ffmpeg} \
  "$build/bench/stall/bench_stall" --run "$clips/stall_en_dark.mp4" "$clips/stall_zh_gradient.mkv" \
  "$clips/stall_en_light.webm" --drop "${files[@]}"
