#!/usr/bin/env bash
# Plays and records for ten minutes (or as long as asked) through a private
# PulseAudio server with a null sink, and reports underruns, gaps and
# lengths. Takes as long as it plays: run by hand, not in ctest.
#
#   bench/audio/run-endurance.sh [build-dir] [audio_endurance options]
#   bench/audio/run-endurance.sh build --seconds 600 --rate 44100
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
shift || true
program="$build/bin/audio_endurance"
[ -x "$program" ] || { echo "build $program first (cmake --build $build --target audio_endurance)" >&2; exit 2; }

bash scripts/pulse-null.sh run "$program" "$@"
