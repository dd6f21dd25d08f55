# A one-node Slurm cluster on this machine, for the end-to-end test and the Slurm bench. Sourced:
#   cluster_start DIR     munged, slurmctld and slurmd with their configuration, state and logs
#                         in DIR; exports SLURM_CONF; returns when the node takes jobs
#   cluster_wait JOB SECS waits until JOB (every task of an array) has left the queue
#   cluster_stop          cancels what is queued, stops the daemons cluster_start started and
#                         any step daemon of its jobs left over, by their process ids
# Runs as root. No cgroups are needed: processes are tracked by their parent (proctrack/linuxproc)
# and tasks are not bound (task/none).

cluster_pids=()

cluster_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

cluster_config() { # DIR NODE CTLD_PORT SLURMD_PORT
  local dir=$1 node=$2
  cat > "$dir/slurm.conf" <<CONF
ClusterName=tarnixtest
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$3
SlurmdPort=$4
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$dir/munge.socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
MailProg=/bin/true
SlurmctldTimeout=30
SlurmdTimeout=30
InactiveLimit=0
KillWait=5
MinJobAge=300
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=tarnix Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF
}

# Polls CONDITION (a command) every CLUSTER_POLL seconds (default 0.5) for up to SECS seconds.
cluster_until() { # SECS CONDITION...
  local poll=${CLUSTER_POLL:-0.5} deadline=$(( $(date +%s) + $1 ))
  shift
  while ! "$@" >/dev/null 2>&1; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep "$poll"
  done
}

cluster_node_idle() {
  [ "$(sinfo -h -o %T 2>/dev/null)" = idle ]
}

cluster_start() { # DIR
  local dir=$1 node
  node=$(hostname -s)
  mkdir -p "$dir/state" "$dir/spool"
  head -c 1024 /dev/urandom > "$dir/munge.key"
  chmod 400 "$dir/munge.key"
  cluster_config "$dir" "$node" "$(cluster_free_port)" "$(cluster_free_port)"
  export SLURM_CONF=$dir/slurm.conf
  munged --foreground --force --socket="$dir/munge.socket" --key-file="$dir/munge.key" \
    --pid-file="$dir/munged.pid" --log-file="$dir/munged.log" --seed-file="$dir/munged.seed" > "$dir/munged.out" 2>&1 &
  cluster_pids+=($!)
  cluster_until 10 test -S "$dir/munge.socket" || { echo "munged did not start" >&2; return 1; }
  slurmctld -D -c -i > "$dir/slurmctld.out" 2>&1 &
  cluster_pids+=($!)
  slurmd -D -N "$node" > "$dir/slurmd.out" 2>&1 &
  cluster_pids+=($!)
  cluster_until 30 cluster_node_idle || { echo "the node did not come up" >&2; tail -5 "$dir"/slurm*.log >&2; return 1; }
}

cluster_job_gone() { # JOB
  [ -z "$(squeue -h -j "$1" 2>/dev/null)" ]
}

cluster_wait() { # JOB SECS
  cluster_until "$2" cluster_job_gone "$1"
}

cluster_queue_empty() {
  [ -z "$(squeue -h 2>/dev/null)" ]
}

# The step daemons and job processes of this cluster: started through its slurmd, but no children
# of it once their job is cancelled. Known by the configuration they were started with.
cluster_job_pids() {
  local proc environment
  for proc in /proc/[0-9]*; do
    # Processes come and go while this reads them.
    environment=$( { tr '\0' '\n' < "$proc/environ"; } 2>/dev/null) || continue
    grep -qx "SLURM_CONF=$SLURM_CONF" <<< "$environment" || continue
    if [ "$(cat "$proc/comm" 2>/dev/null)" = slurmstepd ] || grep -qx 'SLURM_CLUSTER_NAME=tarnixtest' <<< "$environment"; then
      basename "$proc"
    fi
  done
}

cluster_stop() {
  local pid alive
  [ ${#cluster_pids[@]} -gt 0 ] || return 0
  # Jobs still running are cancelled and given time to complete, so their step daemons end with them.
  scancel -p tarnix >/dev/null 2>&1 || true
  cluster_until 20 cluster_queue_empty || true
  for pid in "${cluster_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for _ in $(seq 20); do
    alive=0
    for pid in "${cluster_pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ "$alive" = 0 ] && break
    sleep 0.5
  done
  for pid in "${cluster_pids[@]}" $(cluster_job_pids); do kill -9 "$pid" 2>/dev/null || true; done
  cluster_pids=()
}
