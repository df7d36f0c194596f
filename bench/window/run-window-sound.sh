#!/usr/bin/env bash
# Runs window_sound on a private PulseAudio server with a null sink, with the
# offscreen Qt platform.
#
#   bench/window/run-window-sound.sh [build-dir] click [--runs N] [--seconds S]
#   bench/window/run-window-sound.sh build play --seconds 600
#   bench/window/run-window-sound.sh build record --seconds 600
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
shift || true
program="$build/bin/window_sound"
[ -x "$program" ] || { echo "build $program first (cmake --build $build --target window_sound)" >&2; exit 2; }

bash scripts/pulse-null.sh run env QT_QPA_PLATFORM=offscreen "$program" "$@"
