#!/usr/bin/env bash
# Renders a clip whose pictures carry text of their own into the folder given: photographs of
# grass, water, sand and wood (Debian's wallpaper packages) with signs painted on them, panned
# faster than in the film-like clip so the signs and the texture cross the subtitle band, with
# film grain and real quotations from Debian's fortunes as subtitles (1080p25, H.264). Its truth
# is frame-exact. The packages come from scripts/install-deps.sh --bench.
#   bench/e2e/render-photo.sh FOLDER   (the clip is film_photo_signs_1min_1080p25)
set -euo pipefail
. "$(cd "$(dirname "$0")/../../scripts" && pwd)/lib-render.sh"
out=${1:?usage: render-photo.sh FOLDER}
name=film_photo_signs_1min_1080p25
nature=/usr/share/backgrounds/mate/nature
fortunes=/usr/share/games/fortunes
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -e "$nature/GreenMeadow.jpg" ] && [ -d "$fortunes" ] || { echo "render-photo: install the benchmark packages first (scripts/install-deps.sh --bench)" >&2; exit 1; }
mkdir -p "$out"
cd "$out"
[ -s "$name.mp4" ] && [ -s "$name.truth.srt" ] && exit 0

secs=60 scene=16 fade=1
photos=(GreenMeadow Aqua Dune Wood)
# Signs as a photograph has them: painted into the picture, so they move with it; two pass beside
# the subtitles' row, two above it.
signs=("27 to Carlisle" "MARKET STREET" "No Parking 8am-6pm" "Platform 4")
colours=(white yellow 0xF0F0F0 orange)
signx=(150 900 1700 1000) signy=(1235 1060 1235 1100)

mapfile -t quotes < <(awk 'BEGIN { RS = "%\n" } NF && !/\n./ && !/\t/ && length($0) >= 19 && length($0) <= 57 { sub(/\n$/, ""); print }' \
  "$fortunes"/wisdom "$fortunes"/people | awk 'NR % 3 == 2' | tr -d '{}\\')
timeline=$(quote_timeline 120 5 "$secs")
ass_file "$name" "DejaVu Sans" 52 '&H00FFFFFF' '&H00000000' 3 1920 1080 <<< "$timeline"
truth_srt "$name" <<< "$timeline"
echo en > "$name.lang"

inputs=() graph="" frames=$((scene * 25))
for ((s = 0; s < ${#photos[@]}; s++)); do
  inputs+=(-loop 1 -framerate 25 -t "$scene" -i "$nature/${photos[$s]}.jpg")
  dir=$(( s % 2 ? -1 : 1 ))
  graph+="[$s:v]scale=2400:1350:force_original_aspect_ratio=increase,crop=2400:1350,"
  graph+="drawtext=fontfile=$font:text='${signs[$s]}':fontsize=64:fontcolor=${colours[$s]}:x=${signx[$s]}:y=${signy[$s]}:shadowx=3:shadowy=3,"
  graph+="zoompan=z='1.05+0.0003*on':x='(iw-iw/zoom)*(0.5+$dir*0.5*(on/$frames-0.5))':y='(ih-ih/zoom)*0.9':d=1:s=1920x1080:fps=25,"
  graph+="format=yuv420p,setpts=PTS-STARTPTS[s$s];"
done
crossfaded "$name" "$scene" "$fade" "$secs" "$s"
