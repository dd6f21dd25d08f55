#!/usr/bin/env bash
# End-to-end benchmark: renders the clips (once), runs tarnix-cli on each at the rates given
# (default 1 2 4) with the subtitle band as crop, scores the output against the ground truth and
# prints one table row per language and rate. E2E_CROP=auto lets the extractor find the band itself.
#   bench/e2e/run.sh [RATE...]        (after scripts/build.sh; TARNIX_BUILD_DIR picks another build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${TARNIX_BUILD_DIR:-$root/build}
clips=$build/bench-clips
work=$build/bench-e2e
rates=("$@"); [ ${#rates[@]} -gt 0 ] || rates=(1 2 4)

"$here/render-clips.sh" "$clips" >/dev/null
mkdir -p "$work"

duration_ms() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" | awk '{printf "%d", $1 * 1000}'; }
size_of() { ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$1"; }

printf '%-10s %-4s %7s %9s %8s %9s %9s %9s %9s %10s\n' lang rate recall precision meanCER startMed startP90 endMed endP90 wall/media
for rate in "${rates[@]}"; do
  for lang in en zh-Hans zh-Hans+en; do
    : > "$work/scores-$lang-$rate.txt"
    wall_total=0; media_total=0
    for video in "$clips"/*.mp4 "$clips"/*.mkv; do
      name=$(basename "${video%.*}")
      [ "$(cat "$clips/$name.lang")" = "$lang" ] || continue
      size=$(size_of "$video"); w=${size%x*}; h=${size#*x}
      crop="0,$((h * 7 / 10)),$w,$((h * 3 / 10))"
      [ "${E2E_CROP:-}" = auto ] && crop=auto
      out="$work/$name-$rate.srt"
      start=$(date +%s%N)
      "$build/cli/tarnix-cli" --lang "$lang" --crop "$crop" --rate "$rate" -o "$out" "$video" 2>/dev/null || true
      end=$(date +%s%N)
      wall_total=$((wall_total + (end - start) / 1000000))
      media_total=$((media_total + $(duration_ms "$video")))
      [ -f "$out" ] || : > "$out"
      "$build/bench/e2e/bench_e2e_score" "$clips/$name.truth.srt" "$out" >> "$work/scores-$lang-$rate.txt"
    done
    awk -v lang="$lang" -v rate="$rate" -v wall="$wall_total" -v media="$media_total" '
      function pct(arr, n, p,   i, j, t, k) {
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (arr[j] < arr[i]) { t = arr[i]; arr[i] = arr[j]; arr[j] = t }
        k = int(p * (n - 1) + 0.5) + 1; return n ? arr[k] : 0 }
      function abs(x) { return x < 0 ? -x : x }
      $1 == "match" { n++; s[n] = abs($2); e[n] = abs($3) }
      $1 == "truthcer" { tc += $2; tn++ }
      $1 == "summary" { split($2, a, "="); split($3, b, "="); split($4, c, "="); T += a[2]; X += b[2]; M += c[2] }
      END {
        printf "%-10s %-4s %6.1f%% %8.1f%% %7.1f%% %9d %9d %9d %9d %10.2f\n", lang, rate,
          T ? 100 * M / T : 0, X ? 100 * M / X : 0, tn ? 100 * tc / tn : 0,
          pct(s, n, 0.5), pct(s, n, 0.9), pct(e, n, 0.5), pct(e, n, 0.9), media ? wall / media : 0 }' \
      "$work/scores-$lang-$rate.txt"
  done
done
