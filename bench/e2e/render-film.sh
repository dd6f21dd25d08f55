#!/usr/bin/env bash
# Renders a film-like clip into the folder given: photographs from Debian's wallpaper packages
# panned and zoomed slowly, cut into scenes joined by crossfades, with film grain, and real
# quotations from Debian's fortunes as subtitles (1080p25, H.264). Its truth is frame-exact, as
# for the other clips. The packages come from scripts/install-deps.sh --bench.
#   bench/e2e/render-film.sh FOLDER [MINUTES]   (default 10; the clip is film_<MINUTES>min_1080p25)
# FILM_PACE=N makes the camera zoom and drift N times as fast, with scenes of 30/N seconds, and
# FILM_SECONDS=S sets the length in seconds instead (film_pan<N>_<S>s_1080p25): the hard case of a
# band whose every edge moves on every frame.
# FILM_GRAIN=N lays grain of strength N instead of 4 (the clip's name ends in _grainN).
# FILM_SIGNS=1 adds signs at the top of the picture on a timeline of their own (the clip is then
# film_signs_<MINUTES>min_1080p25, the signs' truth <clip>.top.truth.srt). Made from the clip too:
# a TV recording of it (MPEG-TS, clock at 1234.56 s) and a phone's variable-frame-rate MP4 (a
# frame dropped here and there, the others at their times), both with the same truth.
set -euo pipefail
. "$(cd "$(dirname "$0")/../../scripts" && pwd)/lib-render.sh"
out=${1:?usage: render-film.sh FOLDER [MINUTES]}
minutes=${2:-10}
pace=${FILM_PACE:-1}
secs=${FILM_SECONDS:-$((minutes * 60))}
name=film_${minutes}min_1080p25
[ "${FILM_SIGNS:-0}" = 1 ] && name=film_signs_${minutes}min_1080p25
[ "$pace" = 1 ] && [ -z "${FILM_SECONDS:-}" ] || name=film_pan${pace}_${secs}s_1080p25
[ "${FILM_GRAIN:-4}" = 4 ] || name=${name}_grain${FILM_GRAIN}
photos=(/usr/share/backgrounds/mate/nature/*.jpg)
fortunes=/usr/share/games/fortunes
[ -e "${photos[0]}" ] && [ -d "$fortunes" ] || { echo "render-film: install the benchmark packages first (scripts/install-deps.sh --bench)" >&2; exit 1; }
mkdir -p "$out"
cd "$out"
variants() {
  [ -s "${name}_tv.ts" ] || ff -i "$name.mp4" -c copy -output_ts_offset 1234.56 -f mpegts "${name}_tv.ts"
  [ -s "${name}_vfr.mp4" ] || ff -i "$name.mp4" -vf "select='not(eq(mod(n\,7)\,3))*not(eq(mod(n\,11)\,5))'" \
    -fps_mode vfr -c:v libx264 -preset veryfast -crf 23 "${name}_vfr.mp4"
  for v in tv vfr; do cp "$name.truth.srt" "${name}_$v.truth.srt"; cp "$name.lang" "${name}_$v.lang"
    [ -s "$name.top.truth.srt" ] && cp "$name.top.truth.srt" "${name}_$v.top.truth.srt"; done
  return 0
}
[ -s "$name.mp4" ] && [ -s "$name.truth.srt" ] && { variants; exit 0; }

scene=20   # seconds a photograph stays
[ "$pace" = 1 ] || scene=$(( 30 / pace > 3 ? 30 / pace : 3 ))
fade=1     # crossfade between two
scenes=$(( (secs + scene - 1) / (scene - fade) + 1 ))

# One-line quotations of 18 to 56 characters, taken in a fixed order, so every run is the same.
mapfile -t quotes < <(awk 'BEGIN { RS = "%\n" } NF && !/\n./ && !/\t/ && length($0) >= 19 && length($0) <= 57 { sub(/\n$/, ""); print }' \
  "$fortunes"/literature "$fortunes"/wisdom "$fortunes"/people "$fortunes"/fortunes | awk 'NR % 3 == 1' | tr -d '{}\\')

timeline=$(quote_timeline 150 11 "$secs")
# Signs: short quotations at the top, on their own times, so they come and go over the dialogue.
signs=""
if [ "${FILM_SIGNS:-0}" = 1 ]; then
  mapfile -t short < <(printf '%s\n' "${quotes[@]}" | awk 'length($0) <= 26')
  t=300 i=0
  while [ $t -lt $(( secs * 100 - 500 )) ]; do
    seed=$(( (seed * 1103515245 + 12345) % 2147483648 ))
    d=$(( 200 + (seed / 7) % 300 )); g=$(( 150 + (seed / 13) % 400 ))
    signs+="$(cs_time $t)|$(cs_time $((t + d)))|${short[$((i * 7 % ${#short[@]}))]}"$'\n'
    t=$((t + d + g)); i=$((i + 1))
  done
  signs=${signs%$'\n'}
  truth_srt "$name.top" <<< "$signs"
fi
ass_file "$name" "Liberation Sans" 54 '&H00FFFFFF' '&H00000000' 3 1920 1080 \
  <<< "$timeline${signs:+$'\n'$(sed 's/|\([^|]*\)$/|{\\an8\\fs46}\1/' <<< "$signs")}"
truth_srt "$name" <<< "$timeline"
echo en > "$name.lang"

# Each scene: a photograph scaled past the frame, zoomed in slowly while the view drifts sideways.
inputs=() graph=""
for ((s = 0; s < scenes; s++)); do
  photo=${photos[$((s % ${#photos[@]}))]}
  inputs+=(-loop 1 -framerate 25 -t "$scene" -i "$photo")
  dir=$(( s % 2 ? -1 : 1 ))
  graph+="[$s:v]scale=2400:1350:force_original_aspect_ratio=increase,crop=2400:1350,"
  graph+="zoompan=z='1+0.0004*$pace*on':x='(iw-iw/zoom)*(0.5+$dir*0.45*($pace*on/500-0.5))':y='(ih-ih/zoom)/2':d=1:s=1920x1080:fps=25,"
  graph+="format=yuv420p,setpts=PTS-STARTPTS[s$s];"
done
crossfaded "$name" "$scene" "$fade" "$secs" "$s"
variants
