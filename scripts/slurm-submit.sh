#!/usr/bin/env bash
# Submits one Slurm array job over a batch manifest: one array task per manifest line, each
# running `tarnix-cli --manifest MANIFEST`, which takes its line from SLURM_ARRAY_TASK_ID.
#   scripts/slurm-submit.sh MANIFEST [--limit N] [sbatch options...] [-- tarnix-cli settings...]
# --limit N runs at most N lines at a time (the array's "%N"). sbatch options come after ours and
# so win over them (--cpus-per-task=2, a log per task beside the manifest in logs/). Prints the
# job id. tarnix-cli is TARNIX_CLI, else the one on PATH, else the build folder's
# (TARNIX_BUILD_DIR, default build/ of this checkout). Works from any current folder.
set -euo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)
usage() { echo "usage: $0 MANIFEST [--limit N] [sbatch options...] [-- tarnix-cli settings...]" >&2; exit 2; }

[ $# -ge 1 ] || usage
[ -f "$1" ] || { echo "slurm-submit: no manifest $1" >&2; exit 2; }
manifest=$(readlink -f "$1")
shift
limit=""
sbatch_options=()
cli_options=()
while [ $# -gt 0 ]; do
  case $1 in
    --limit) [ $# -ge 2 ] || usage; limit=$2; shift 2 ;;
    --limit=*) limit=${1#--limit=}; shift ;;
    --) shift; cli_options=("$@"); break ;;
    *) sbatch_options+=("$1"); shift ;;
  esac
done
case $limit in ''|*[!0-9]*) [ -z "$limit" ] || { echo "slurm-submit: --limit takes a number" >&2; exit 2; } ;; esac

cli=${TARNIX_CLI:-$(command -v tarnix-cli || true)}
[ -n "$cli" ] || cli=${TARNIX_BUILD_DIR:-$here/build}/cli/tarnix-cli
[ -x "$cli" ] || { echo "slurm-submit: no tarnix-cli at $cli (set TARNIX_CLI or build first)" >&2; exit 2; }
cli=$(readlink -f "$cli")

# Blank lines are no jobs to tarnix-cli either, so the indexes agree.
lines=$(grep -c '[^[:space:]]' "$manifest" || true)
[ "$lines" -gt 0 ] || { echo "slurm-submit: $manifest has no lines" >&2; exit 2; }
logs=$(dirname "$manifest")/logs
mkdir -p "$logs"

command=$(printf '%q ' exec "$cli" --manifest "$manifest" "${cli_options[@]}")
out=$(sbatch --parsable --job-name=tarnix --array="0-$((lines - 1))${limit:+%$limit}" --cpus-per-task=2 \
  --output="$logs/tarnix-%A_%a.log" "${sbatch_options[@]}" --wrap="$command")
echo "${out%%;*}"
