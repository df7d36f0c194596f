#!/usr/bin/env bash
# Start-up time of the program: from launching the process to the main
# window's first paint, median of N runs (default 5) under one Xvfb server.
# The program notes its first paint in the file named by
# PARROTEL_FIRST_PAINT_LOG. Usage: bench/startup.sh [runs] [program]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
program=${2:-build/bin/parrotel}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$runs" "$program"
fi
scratch=$(mktemp -d)
trap 'bash scripts/pulse-null.sh stop "$scratch/pulse"; rm -rf "$scratch"' EXIT
# The program ends at once without a wave device: a private sound server
# (also keeps the machine's own volumes out of reach).
bash scripts/pulse-null.sh start "$scratch/pulse"
export $(bash scripts/pulse-null.sh env "$scratch/pulse")
times=()
for run in $(seq "$runs"); do
  log=$scratch/paint-$run
  start=$(date +%s%N)
  PARROTEL_FIRST_PAINT_LOG=$log XDG_RUNTIME_DIR=$scratch "$program" &
  pid=$!
  for _ in $(seq 200); do
    [ -s "$log" ] && break
    sleep 0.05
  done
  kill "$pid"; wait "$pid" 2>/dev/null || true
  [ -s "$log" ] || { echo "run $run: no paint within 10 s" >&2; exit 1; }
  ms=$(( ($(cat "$log") - start) / 1000000 ))
  echo "run $run: ${ms} ms"
  times+=("$ms")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}')
echo "start-up to first paint, median of $runs: ${median} ms"
