#!/usr/bin/env bash
# End to end on a real Slurm: a one-node cluster started on this machine (as root, in a temporary
# folder) runs a manifest of three generated clips through scripts/slurm-submit.sh; a second
# submission with one line changed is killed in the middle of that line, and a third completes
# it without redoing the other two. Exit 77 (skipped) where Slurm cannot be installed or started
# as root, and in the sanitised pass.
#   tests/slurm/test-slurm.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)
build=$(readlink -f "${1:-$here/build}")
skip() { echo "SKIPPED: $*"; exit 77; }
fail() {
  echo "FAILED: $*"
  tail -n 5 "$work"/jobs/logs/*.log "$work"/cluster/slurm*.log 2>/dev/null || true
  exit 1
}

# The sanitised build runs the same manifest code under tst_manifest; starting the daemons again
# for it would double the test's time and check nothing new of Slurm.
[ "${TARNIX_SANITIZE:-0}" != 1 ] || skip "the Slurm test runs in the plain pass (scripts/test.sh) only"
[ "$(id -u)" = 0 ] || skip "munged, slurmctld and slurmd are started as root"
"$here/scripts/install-deps.sh" --slurm >/dev/null 2>&1 \
  || skip "Slurm and munge cannot be installed here (scripts/install-deps.sh --slurm failed)"
for command in munged slurmctld slurmd sbatch squeue sinfo scancel python3; do
  command -v "$command" >/dev/null || skip "$command is missing"
done
cli=$build/cli/tarnix-cli
[ -x "$cli" ] || { echo "FAILED: no $cli"; exit 1; }

work=$(mktemp -d /tmp/tarnix-slurm.XXXXXX)
. "$here/tests/slurm/cluster.sh"
trap 'cluster_stop; rm -rf "$work"' EXIT
# A signal (ctest's time limit, ^C) goes through the same exit, so the daemons never outlive the test.
trap 'exit 1' INT TERM HUP
cluster_start "$work/cluster" || fail "the one-node cluster did not start"

jobs=$work/jobs
manifest=$jobs/jobs.jsonl
mkdir -p "$jobs/clips"
for clip in fs_short en_two fs_oneword; do cp "$build/fixtures/$clip.mp4" "$jobs/clips/"; done
write_manifest() { # the scan way of the second line
  cat > "$manifest" <<JSONL
{"video": "clips/fs_short.mp4", "lang": "en"}
{"video": "clips/en_two.mp4", "lang": "en", "crop": "0,240,640,120", "scan": "$1"}

{"video": "clips/fs_oneword.mp4", "lang": "en", "output": "out/oneword.srt"}
JSONL
}
submit() {
  local job
  # From another folder: the script and the manifest must not depend on where they are started.
  job=$(cd / && TARNIX_CLI=$cli "$here/scripts/slurm-submit.sh" "$manifest" --limit 2) || fail "sbatch refused the job"
  [[ $job =~ ^[0-9]+$ ]] || fail "slurm-submit printed '$job', not a job id"
  echo "$job"
}
wait_job() { # JOB
  # Kept short enough that every wait together stays inside ctest's time limit of 300 s.
  cluster_wait "$1" 60 || fail "job $1 still queued after 60 s"
}
log() { echo "$jobs/logs/tarnix-$1_$2.log"; }
checksum() { md5sum "$@" | cut -d' ' -f1; }
outputs=("$jobs/fs_short.srt" "$jobs/en_two.srt" "$jobs/out/oneword.srt")
records=("${outputs[@]/%/.done.json}")

echo "1. three lines, one array task each"
write_manifest fast
start=$(date +%s%N)
job=$(submit)
wait_job "$job"
echo "   job $job done in $(( ($(date +%s%N) - start) / 1000000 )) ms"
scontrol show job "$job" | grep -q "ArrayTaskThrottle=2" || fail "the --limit did not reach the array"
scontrol show job "${job}_0" | grep -q "NumCPUs=2" || fail "a task did not get 2 CPUs"
for i in 0 1 2; do
  [ -f "$(log "$job" "$i")" ] || fail "no log for task $i"
  grep -q '"exit": 0' "${records[$i]}" 2>/dev/null || fail "line $i has no record of a finished run"
done
grep -q "Then a longer line" "${outputs[0]}" || fail "fs_short.srt lacks its subtitle"
grep -q "Hello world" "${outputs[1]}" || fail "en_two.srt lacks its subtitle"
grep -q "Keep your voice" "${outputs[2]}" || fail "out/oneword.srt lacks its subtitle"
kept=$(checksum "${records[0]}" "${records[2]}")
old_output=$(checksum "${outputs[1]}")

echo "2. the second line changed to playback, its task killed mid-run"
write_manifest playback
job=$(submit)
cluster_until 60 grep -q "en_two.mp4: .*% at" "$(log "$job" 1)" || fail "task 1 never started reading"
scancel --signal=KILL --full "${job}_1"
wait_job "$job"
grep -q "en_two.mp4: 100%" "$(log "$job" 1)" && fail "task 1 finished before the kill"
[ ! -e "${records[1]}" ] || fail "a record beside the killed line's output"
[ "$(checksum "${outputs[1]}")" = "$old_output" ] || fail "the killed line left a changed en_two.srt"
grep -q "finished before, skipped" "$(log "$job" 0)" || fail "line 0 was redone"
grep -q "finished before, skipped" "$(log "$job" 2)" || fail "line 2 was redone"

echo "3. the same manifest again: the killed line is completed, the others skipped"
job=$(submit)
wait_job "$job"
grep -q '"scan": "playback"' "${records[1]}" || fail "line 1 has no record of its playback run"
grep -q '"exit": 0' "${records[1]}" || fail "line 1 did not finish"
grep -q "Hello world" "${outputs[1]}" || fail "en_two.srt lacks its subtitle after the playback run"
[ "$(checksum "${records[0]}" "${records[2]}")" = "$kept" ] || fail "lines 0 and 2 were redone"
for i in 0 2; do grep -q "finished before, skipped" "$(log "$job" "$i")" || fail "line $i was redone"; done
echo "PASSED"
