#!/usr/bin/env bash
# Remakes the three sample voices with espeak-ng (22050 Hz, 16-bit, mono).
# espeak-ng touches the sound server's client configuration, so it runs with
# scratch HOME and XDG_RUNTIME_DIR folders.
set -euo pipefail
cd "$(dirname "$0")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch XDG_RUNTIME_DIR=$scratch
espeak-ng -v en-gb -s 150 -p 45 -w SF1.WAV "Hello, and welcome to Warblecast. Press an effect, then play me again."
espeak-ng -v en-us+f3 -s 160 -p 60 -w SF2.WAV "Testing, testing, one, two, three. Can you hear me now?"
espeak-ng -v en+m3 -s 135 -p 30 -w SF3.WAV "The quick brown fox jumps over the lazy dog."
