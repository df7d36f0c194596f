#!/usr/bin/env bash
# Times an MP3 export of a 10-minute voice at 64 kbit/s through the program's
# LAME route against ffmpeg's libmp3lame encoder, best of N runs each.
#   bash bench/mp3/compare.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
runs=${2:-3}
cmake --build "$build" --target mp3_lame_export >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A spoken voice, 22050 Hz mono 16-bit, made long by repeating it.
export HOME=$work XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
words="seven parrots sing loudly in the warm summer evening while the quick brown fox jumps over the lazy dog"
for i in $(seq 60); do echo "$words"; done > "$work/text.txt"
espeak-ng -w "$work/speech.wav" -f "$work/text.txt"
sox "$work/speech.wav" -r 22050 -c 1 -b 16 "$work/voice.wav" repeat 20 trim 0 600

best() {  # best of $runs wall-clock seconds for the command
  local best=""
  for _ in $(seq "$runs"); do
    local start end t
    start=$(date +%s.%N); "$@" >/dev/null 2>&1; end=$(date +%s.%N)
    t=$(awk "BEGIN { print $end - $start }")
    if [ -z "$best" ] || awk "BEGIN { exit !($t < $best) }"; then best=$t; fi
  done
  printf '%.3f' "$best"
}

ours=$(best "$build/bin/mp3_lame_export" "$work/voice.wav" "$work/ours.mp3" 64)
ffmpeg_default=$(best ffmpeg -v error -y -i "$work/voice.wav" -c:a libmp3lame -b:a 64k "$work/ffmpeg.mp3")
ffmpeg_q2=$(best ffmpeg -v error -y -i "$work/voice.wav" -c:a libmp3lame -b:a 64k -compression_level 2 "$work/ffmpeg-q2.mp3")

echo "10-minute voice, 22050 Hz mono, 64 kbit/s, best of $runs:"
echo "  LAME route (quality 2):                 ${ours} s"
echo "  ffmpeg -c:a libmp3lame -b:a 64k:         ${ffmpeg_default} s   ratio $(awk "BEGIN { printf \"%.2f\", $ours / $ffmpeg_default }")"
echo "  ffmpeg ... -compression_level 2:         ${ffmpeg_q2} s   ratio $(awk "BEGIN { printf \"%.2f\", $ours / $ffmpeg_q2 }")"
echo "Our file:"
ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,bit_rate,duration -of default=nw=1 "$work/ours.mp3" |
  sed 's/^/  /'
