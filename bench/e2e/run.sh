#!/usr/bin/env bash
# End-to-end benchmark: renders the clips (once), then on each clip in one run: tarnix-cli with the
# fast scan, with playback at rate 1, and the fast scan's decoding alone (recognition off). The
# subtitle band is the crop. Prints per clip and in total: wall / media of the three, recall,
# precision, mean CER, start and end error in frames (|extracted - first frame at or after the true
# time|, median and 90th percentile) and the fast scan's peak memory. E2E_CROP=auto lets the
# extractor find the band itself.
#   bench/e2e/run.sh [CLIP-NAME-PATTERN]   (after scripts/build.sh; TARNIX_BUILD_DIR picks another build)
# Clips named long_* and film_* are scanned fast only (their playback would take their whole length).
# E2E_FILM_MINUTES=N renders the film-like clip of N minutes too (render-film.sh; slow to make).
# E2E_PLAYBACK=0 leaves playback out. E2E_CLI runs another build's tarnix-cli (a before-and-after in
# one run); E2E_CLIPS and E2E_WORK move the clips and the outputs elsewhere.
# Each clip is decoded by ffmpeg alone too (-threads 2, no output): the "ffmpeg" column is its
# wall / media, "/ffm" the fast scan's wall over it.
# After the table, a profile of each fast scan: where its time went, and its readings against the
# subtitles the clip has, with the text detector's runs ("dets") and the recogniser's ("recs", one
# per line read and per second look); "wait" is the part of the scan spent waiting for a reader.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${TARNIX_BUILD_DIR:-$root/build}
clips=${E2E_CLIPS:-$build/bench-clips}
work=${E2E_WORK:-$build/bench-e2e}
cli=${E2E_CLI:-$build/cli/tarnix-cli}
pattern=${1:-*}

"$here/render-clips.sh" "$clips" >/dev/null
[ -n "${E2E_FILM_MINUTES:-}" ] && "$here/render-film.sh" "$clips" "$E2E_FILM_MINUTES" >/dev/null
mkdir -p "$work"

duration_ms() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" | awk '{printf "%d", $1 * 1000}'; }
size_of() { ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$1" | awk 'NR == 1' | cut -d x -f 1,2; }
fps_of() { ffprobe -v error -select_streams v:0 -show_entries stream=avg_frame_rate -of csv=p=0 "$1" | awk -F/ '{printf "%.4f", $1 / $2}'; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# stats FILE...: recall precision meanCER meanWER startMed startP90 endMed endP90 over the score files.
stats() {
  cat "$@" | awk '
    function pct(arr, n, p,   i, j, t, k) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (arr[j] < arr[i]) { t = arr[i]; arr[i] = arr[j]; arr[j] = t }
      k = int(p * (n - 1) + 0.5) + 1; return n ? arr[k] : 0 }
    function abs(x) { return x < 0 ? -x : x }
    function frames(truth, delta, fps,   step, expected) {
      step = 1000 / fps; expected = int((truth - 0.5) / step + 1) * step; if (truth % step == 0) expected = truth
      return abs(truth + delta - expected) / step }
    $1 == "fps" { fps = $2 }
    $1 == "match" { n++; s[n] = frames($5, $2, fps); e[n] = frames($6, $3, fps) }
    $1 == "truthcer" { tc += $2; tn++ }
    $1 == "truthwer" { tw += $2 }
    $1 == "summary" { split($2, a, "="); split($3, b, "="); split($4, c, "="); T += a[2]; X += b[2]; M += c[2] }
    END { printf "%6.1f %6.1f %6.1f %6.1f %5.1f %5.1f %5.1f %5.1f", T ? 100 * M / T : 0, X ? 100 * M / X : 0,
          tn ? 100 * tc / tn : 0, tn ? 100 * tw / tn : 0, pct(s, n, 0.5), pct(s, n, 0.9), pct(e, n, 0.5), pct(e, n, 0.9) }'
}

header() {
  printf '%-32s %5s %5s %5s %5s | %-48s | %-48s | %6s %6s %5s\n' "" "wall/" "media" "" "fast/" \
    "fast scan" "playback rate 1" "fast" "wall/" "fast"
  printf '%-32s %5s %5s %5s %5s | %6s %6s %6s %6s %5s %5s %5s %5s | %6s %6s %6s %6s %5s %5s %5s %5s | %6s %6s %5s\n' clip fast play decode \
    decode rec% prec% CER% WER% sMed sP90 eMed eP90 rec% prec% CER% WER% sMed sP90 eMed eP90 RSS_MB ffmpeg /ffm
}

header
declare -A wall_fast wall_play wall_decode wall_ffmpeg media_sum media_play
for video in "$clips"/$pattern.mp4 "$clips"/$pattern.mkv "$clips"/$pattern.ts; do
  [ -f "$video" ] || continue
  name=$(basename "${video%.*}")
  lang=$(cat "$clips/$name.lang")
  size=$(size_of "$video"); w=${size%x*}; h=${size#*x}
  crop="0,$((h * 7 / 10)),$w,$((h * 3 / 10))"; playcrop=$crop
  # The phone clip is stored on its side. tarnix-cli's fast scan takes the crop on the upright
  # picture; playback, and the program, on the picture as the player shows it: as stored.
  if [[ $name == *rotated* ]]; then crop="0,$((w * 7 / 10)),$h,$((w * 3 / 10))"; playcrop="0,0,$((w * 3 / 10)),$h"; fi
  # Signs at the top are a second area: given as a second crop, or found with the first.
  top=(); [ -f "$clips/$name.top.truth.srt" ] && top=(--crop "0,0,$w,$((h * 2 / 10))")
  [ "${E2E_CROP:-}" = auto ] && { crop=auto; playcrop=auto; top=(); }
  media=$(duration_ms "$video"); fps=$(fps_of "$video")
  long=0; [[ $name == long_* || $name == film_* ]] && long=1

  t0=$(now_ms)
  QT_LOGGING_RULES="tarnix.profile.info=true" /usr/bin/time -f %M -o "$work/$name.rss" "$cli" \
    --scan fast --lang "$lang" --crop "$crop" "${top[@]}" -o "$work/$name-fast.srt" "$video" 2>"$work/$name.profile" || true
  echo "wall $((t1 = $(now_ms), t1 - t0)) subtitles $(grep -c -- '-->' "$clips/$name.truth.srt")" >> "$work/$name.profile"
  "$build/bench/e2e/bench_e2e_decode" "$video" "$playcrop" >/dev/null
  t2=$(now_ms)
  ffmpeg -v error -threads 2 -i "$video" -map 0:v:0 -f null - || true
  t3=$(now_ms)
  fast=$((t1 - t0)); decode=$((t2 - t1)); ffm=$((t3 - t2)); play=0
  t2=$t3
  if [ $long = 0 ] && [ "${E2E_PLAYBACK:-1}" != 0 ]; then
    "$cli" --scan playback --rate 1 --lang "$lang" --crop "$playcrop" -o "$work/$name-play.srt" "$video" 2>/dev/null || true
    play=$(( $(now_ms) - t2 ))
  fi
  for way in fast play; do
    out="$work/$name-$way.srt"; [ -f "$out" ] || : > "$out"
    { echo "fps $fps"; "$build/bench/e2e/bench_e2e_score" "$clips/$name.truth.srt" "$out"; } > "$work/$name-$way.score"
  done
  group=$lang; [ $long = 1 ] && group=long; [[ $name == hard_* ]] && group=hard
  wall_fast[$group]=$(( ${wall_fast[$group]:-0} + fast )); wall_decode[$group]=$(( ${wall_decode[$group]:-0} + decode ))
  wall_play[$group]=$(( ${wall_play[$group]:-0} + play )); media_sum[$group]=$(( ${media_sum[$group]:-0} + media ))
  wall_ffmpeg[$group]=$(( ${wall_ffmpeg[$group]:-0} + ffm ))
  [ $long = 0 ] && media_play[$group]=$(( ${media_play[$group]:-0} + media ))
  playstats="     -      -      -      -     -     -     -     -"; [ $long = 0 ] && [ "${E2E_PLAYBACK:-1}" != 0 ] && playstats=$(stats "$work/$name-play.score")
  printf '%-32s %5.3f %5.2f %5.3f %5.2f | %s | %s | %6d %6.3f %5.1f\n' "$name" "$(bc -l <<< "$fast / $media")" \
    "$(bc -l <<< "$play / $media")" "$(bc -l <<< "$decode / $media")" "$(bc -l <<< "$fast / $decode")" \
    "$(stats "$work/$name-fast.score")" "$playstats" $(( $(cat "$work/$name.rss") / 1024 )) \
    "$(bc -l <<< "$ffm / $media")" "$(bc -l <<< "$fast / ($ffm + 0.0001)")"
  if [ -f "$clips/$name.top.truth.srt" ]; then
    out="$work/$name-fast.top.srt"; [ -f "$out" ] || : > "$out"
    { echo "fps $fps"; "$build/bench/e2e/bench_e2e_score" "$clips/$name.top.truth.srt" "$out"; } > "$work/$name-top.score"
    printf '%-32s %5s %5s %5s %5s | %s |\n' "  $name: top" "" "" "" "" "$(stats "$work/$name-top.score")"
  fi
done
echo
for group in "${!media_sum[@]}"; do
  files_fast=(); files_play=()
  for f in "$work"/*-fast.score; do n=$(basename "${f%-fast.score}")
    g=$(cat "$clips/$n.lang" 2>/dev/null || echo); [[ $n == long_* || $n == film_* ]] && g=long; [[ $n == hard_* ]] && g=hard; [ "$g" = "$group" ] && files_fast+=("$f") && files_play+=("${f%-fast.score}-play.score"); done
  playstats="     -      -      -      -     -     -     -     -"; mp=${media_play[$group]:-0}
  [ "$mp" -gt 0 ] && [ "${E2E_PLAYBACK:-1}" != 0 ] && playstats=$(stats "${files_play[@]}")
  printf '%-32s %5.3f %5.2f %5.3f %5.2f | %s | %s | %6s %6.3f %5.1f\n' "TOTAL $group" "$(bc -l <<< "${wall_fast[$group]} / ${media_sum[$group]}")" \
    "$(bc -l <<< "${wall_play[$group]} / ($mp + 0.0001)")" "$(bc -l <<< "${wall_decode[$group]} / ${media_sum[$group]}")" \
    "$(bc -l <<< "${wall_fast[$group]} / ${wall_decode[$group]}")" "$(stats "${files_fast[@]}")" "$playstats" "" \
    "$(bc -l <<< "${wall_ffmpeg[$group]} / ${media_sum[$group]}")" "$(bc -l <<< "${wall_fast[$group]} / (${wall_ffmpeg[$group]} + 0.0001)")"
done
echo
printf '%-32s %6s %6s %6s %6s %8s %8s %8s %8s %8s %8s %8s %8s\n' "profile of the fast scan (s)" subs reads dets recs wall area decode change reading detect recog wait
for f in "$work"/*.profile; do
  [ -f "$f" ] || continue
  awk -v name="$(basename "${f%.profile}")" '
    /^profile: area detection/ { area += $4 }
    /^profile: [0-9]+ frames/ { dec += $5; chg += $9; rd += $12; det += $19; rec += $22; reads += $24; wait += $29; dets += $31; recs += $33 }
    /^wall / { wall = $2 / 1000; subs = $4 }
    END { printf "%-32s %6d %6d %6d %6d %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f %8.2f\n", name, subs, reads, dets, recs, wall, area, dec, chg, rd, det, rec, wait }' "$f"
done
