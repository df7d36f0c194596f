#!/usr/bin/env bash
# Renders the sample voices through every processing effect, a few pitch-bar
# positions and all twelve effects together, and compares each output with
# the checksum kept in tests/tools/sample_renders.sha256. The effects are
# exact, so the same renders must come out on every processor, byte for byte.
#
#   render-checks.sh check  RENDERER SAMPLES_DIR   compare (exit 1 on a difference)
#   render-checks.sh update RENDERER SAMPLES_DIR   write the checksums anew (x86-64 only)
#
# RENDERER may be a command with arguments (for example a qemu-user runner
# followed by a cross-built parrotel-render).
set -euo pipefail

mode=${1:?check or update}
renderer=${2:?the parrotel-render command}
samples=${3:?the folder holding SF1.WAV to SF3.WAV}
checksums="$(cd "$(dirname "$0")/.." && pwd)/tests/tools/sample_renders.sha256"

# name and parrotel-render options of each render
renders=(
  "echo --echo" "chorus --chorus" "flange --flange" "robot --robot" "backward --backward"
  "fade-in --fade-in" "fade-out --fade-out" "bass-only --bass-only" "treble-only --treble-only"
  "sweep-up --sweep-up" "sweep-down --sweep-down"
  "pitch-0 --pitch 0" "pitch-3 --pitch 3" "pitch-5 --pitch 5" "pitch-7 --pitch 7"
  "pitch-10 --pitch 10" "pitch-12 --pitch 12"
  "all-twelve --echo --chorus --flange --robot --backward --fade-in --fade-out --bass-only
   --treble-only --sweep-up --sweep-down --pitch 2"
)

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for voice in SF1 SF2 SF3; do
  for entry in "${renders[@]}"; do
    read -r -a words <<<"$entry"
    name=${words[0]}
    # shellcheck disable=SC2086  # the renderer may be a command with arguments
    $renderer --quiet --clear "${words[@]:1}" "$samples/$voice.WAV" "$out/$voice-$name.wav"
  done
done

cd "$out"
if [ "$mode" = update ]; then
  if [ "$(uname -m)" != x86_64 ]; then
    echo "The checksums are the x86-64 renders; update them there." >&2
    exit 1
  fi
  sha256sum -- *.wav >"$checksums"
  echo "Wrote $(wc -l <"$checksums") checksums to $checksums"
  exit 0
fi
rendered=$(ls -- *.wav | wc -l)
if sha256sum --quiet -c "$checksums"; then
  echo "All $rendered renders equal the x86-64 renders byte for byte."
else
  echo "Some renders differ from the x86-64 renders (listed above)." >&2
  exit 1
fi
