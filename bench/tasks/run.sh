#!/usr/bin/env bash
# Task cost benchmark: imports 1, 100 and 500 tasks of one generated clip, saves each batch as a
# project and reopens it in a fresh process. Prints one row per run and the cost of one more task.
#   bench/tasks/run.sh [N...]   (after scripts/build.sh; TARNIX_BUILD_DIR picks another build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${TARNIX_BUILD_DIR:-$root/build}
work=$build/bench-tasks
mkdir -p "$work"
. "$root/scripts/lib-render.sh"
cd "$work"
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1 100 500)
clip batch_clip mp4 20 1280 720 25 gradient DejaVuSans 44 '&H00FFFFFF' '&H00000000' 2 <<'SUBS'
0:00:01.00|0:00:04.00|One clip stands for a whole batch
0:00:06.00|0:00:09.50|Every task reads the same file
SUBS
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false"
printf '%-6s %4s %8s %8s %8s %8s %8s %8s %6s %6s %6s %6s\n' mode tasks open_ms known_ms thumbs_ms rss0_MB \
  rss_known rss_idle thr0 thr_kn thr_idle known
rows=()
for n in "${counts[@]}"; do
  rows+=("$("$build/bench/tasks/bench_tasks" import "$n" "$work/batch_clip.mp4" "$work/batch_$n.wtarnix" 2>>"$work/stderr.log")")
  echo "${rows[-1]}"
  rows+=("$("$build/bench/tasks/bench_tasks" reopen "$n" "$work/batch_$n.wtarnix" 2>>"$work/stderr.log")")
  echo "${rows[-1]}"
done
# Cost of one more idle task: the difference between the largest and the smallest batch.
printf '%s\n' "${rows[@]}" | awk '
  { mode=$1; n=$2; rss[mode, n]=$8; thr[mode, n]=$11; if (!(mode in lo) || n < lo[mode]) lo[mode]=n; if (n > hi[mode]) hi[mode]=n }
  END { for (m in lo) if (hi[m] > lo[m])
          printf "%s: %.2f MB and %.2f threads per idle task (%d vs %d tasks)\n", m,
                 (rss[m, hi[m]] - rss[m, lo[m]]) / (hi[m] - lo[m]), (thr[m, hi[m]] - thr[m, lo[m]]) / (hi[m] - lo[m]), hi[m], lo[m] }'
