#!/usr/bin/env bash
# The whole pipeline with all twelve processing effects on a 10-minute voice,
# through parrotel-render, timed side by side with a SoX chain of the same
# twelve kinds of effect on the same file: median of 5 runs each, the ratio,
# and parrotel-render's peak memory against the voice's size.
#
#   bench/compare-sox.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
render=$build/bin/parrotel-render
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 10-minute voice made of the sample voices, end to end.
sox "$build/bin/SF1.WAV" "$build/bin/SF2.WAV" "$build/bin/SF3.WAV" "$work/three.wav"
sox "$work/three.wav" "$work/voice.wav" repeat 50 trim 0 600
voice_bytes=$(( $(stat -c %s "$work/voice.wav") - 44 ))

ours=(--quiet --sweep-up --sweep-down --echo --chorus --robot --backward --flange --pitch 3
      --fade-in --fade-out --bass-only --treble-only "$work/voice.wav" "$work/ours.wav")
# The same kinds of effect in SoX: two pitch glides, an echo, a chorus, a
# short feedback comb (robot), reverse, a flanger, a pitch shift, two fades,
# a low band-pass and a high band-pass.
theirs=("$work/voice.wav" "$work/theirs.wav"
        bend 0,300,600 bend 0,-300,600 echo 0.8 0.7 300 0.7 chorus 0.7 0.9 30 0.4 0.25 2 -t
        echos 0.8 0.7 12 0.75 24 0.5 reverse flanger pitch -300 fade q 600 fade q 0 600 600
        sinc -150 sinc 6000)

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
timeit() {
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f "%e %M" "$@" 2>&1 >/dev/null | tail -n 1
  done
}

ours_runs=$(timeit "$render" "${ours[@]}")
theirs_runs=$(timeit sox "${theirs[@]}")
ours_s=$(echo "$ours_runs" | awk '{print $1}' | median)
theirs_s=$(echo "$theirs_runs" | awk '{print $1}' | median)
ours_kb=$(echo "$ours_runs" | awk '{print $2}' | sort -n | tail -n 1)
limit_kb=$(( (voice_bytes * 22 / 10 + 10 * 1024 * 1024) / 1024 ))

echo "10-minute voice, all twelve processing effects (median of 5)"
echo "  parrotel-render: ${ours_s} s, peak memory ${ours_kb} KiB (goal: at most ${limit_kb} KiB)"
echo "  sox chain:       ${theirs_s} s"
echo "  ratio:           $(awk -v a="$ours_s" -v b="$theirs_s" 'BEGIN {printf "%.2f", a / b}') (parrotel / sox)"
