#!/usr/bin/env bash
# What a Slurm array costs per job on this machine: a 3-line and a 12-line manifest of the test
# clips (fast scan, crop given) through scripts/slurm-submit.sh on a one-node cluster started for
# the bench, against the same lines in one `tarnix-cli --manifest` process; then the time to skip
# the whole finished 12-line manifest, in one process and as an array. Wall times in ms.
#   bench/slurm/run.sh   (as root, after scripts/build.sh; TARNIX_BUILD_DIR picks another build)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(readlink -f "${TARNIX_BUILD_DIR:-$root/build}")
cli=$build/cli/tarnix-cli
"$root/scripts/render-fixtures.sh" "$build/fixtures" >/dev/null
"$root/scripts/install-deps.sh" --slurm >/dev/null

work=$(mktemp -d /tmp/tarnix-slurm-bench.XXXXXX)
. "$root/tests/slurm/cluster.sh"
trap 'cluster_stop; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP
cluster_start "$work/cluster"
CLUSTER_POLL=0.1

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
manifest() { # FOLDER LINES: the three clips, copied under distinct names, over and over
  local folder=$1 lines=$2 i clips=(fs_short en_two fs_oneword)
  mkdir -p "$folder"
  for i in $(seq 0 $((lines - 1))); do
    cp "$build/fixtures/${clips[i % 3]}.mp4" "$folder/c$i.mp4"
    echo "{\"video\": \"c$i.mp4\", \"lang\": \"en\", \"crop\": \"0,240,640,120\"}"
  done > "$folder/jobs.jsonl"
}
through_slurm() { # MANIFEST
  local start job
  start=$(now_ms)
  job=$(TARNIX_CLI=$cli "$root/scripts/slurm-submit.sh" "$1")
  cluster_wait "$job" 600
  echo $(( $(now_ms) - start ))
}
in_one_process() { # MANIFEST
  local start
  start=$(now_ms)
  "$cli" --manifest "$1" 2>/dev/null
  echo $(( $(now_ms) - start ))
}

printf '%-8s %14s %14s %14s\n' lines "slurm ms" "one process ms" "per job ms"
for lines in 3 12; do
  manifest "$work/slurm$lines" "$lines"
  manifest "$work/local$lines" "$lines"
  slurm=$(through_slurm "$work/slurm$lines/jobs.jsonl")
  local=$(in_one_process "$work/local$lines/jobs.jsonl")
  printf '%-8s %14s %14s %14s\n' "$lines" "$slurm" "$local" $(( (slurm - local) / lines ))
done
echo "finished 12-line manifest skipped: one process $(in_one_process "$work/local12/jobs.jsonl") ms," \
  "as an array $(through_slurm "$work/slurm12/jobs.jsonl") ms"
