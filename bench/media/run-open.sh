#!/usr/bin/env bash
# Times opening two ten-minute files as the window opens them: a 48 kHz
# stereo Opus file and a 44.1 kHz stereo MP3 (a voice over pink noise, made
# with ffmpeg). Each is opened REPEAT times (default 5) in a process of its
# own; the medians of the time and of the peak memory are reported beside
# the goals: under 1.5 s, and memory under three times the voice plus 30 MiB.
# The processor time (cpuSeconds) is what the time would be on a free core;
# on a machine busy with other work the wall-clock time is longer.
#   bash bench/media/run-open.sh [BUILD_DIR] [REPEAT]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
repeat=${2:-5}
cmake --build "$build" --target open_voice_file mediabridge >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

sound="-f lavfi -i anoisesrc=color=pink:amplitude=0.1:sample_rate=RATE:duration=600
       -f lavfi -i aevalsrc=0.3*sin(2*PI*(150+50*sin(2*PI*0.5*t))*t):s=RATE:d=600
       -filter_complex [0][1]amix=inputs=2,pan=stereo|c0=c0|c1=c0"
make() { ffmpeg -v error -y ${sound//RATE/$1} "${@:2}"; }
make 48000 -c:a libopus -b:a 64k "$scratch/ten-minutes.opus"
make 44100 -c:a libmp3lame -b:a 128k "$scratch/ten-minutes.mp3"

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
printf '%-18s %8s %11s %8s %8s %10s\n' file seconds cpuSeconds peakMiB voiceMiB goalMiB
for file in ten-minutes.opus ten-minutes.mp3; do
  runs=$(for _ in $(seq "$repeat"); do "$build/bin/open_voice_file" "$scratch/$file"; done)
  seconds=$(echo "$runs" | awk '{print $1}' | median)
  peak=$(echo "$runs" | awk '{print $3}' | median)
  cpu=$(echo "$runs" | awk '{print $4}' | median)
  voice=$(echo "$runs" | awk 'NR==1 {print $2}')
  goal=$(awk -v v="$voice" 'BEGIN {printf "%.1f", 3 * v + 30}')
  printf '%-18s %8s %11s %8s %8s %10s\n' "$file" "$seconds" "$cpu" "$peak" "$voice" "$goal"
done
