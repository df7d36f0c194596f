#!/usr/bin/env bash
# Live Voice measured on a private sound server of its own: PulseAudio
# (pulse, the default) or PipeWire (pipewire). By hand, not in ctest: each
# takes as long as the sound it plays.
#
#   latency:   the delay from the microphone to the virtual microphone
#              (live_latency: --clicks N, effects such as --robot, --pitch P)
#   endurance: an hour with every live effect on, reporting underruns,
#              overruns, CPU time per second of voice and memory as it goes
#              (live_endurance: --seconds N, --report N)
#
#   bench/live/run.sh latency|endurance [build-dir] [pulse|pipewire] [options]
#   bench/live/run.sh latency build pipewire --clicks 20 --robot
#   bench/live/run.sh endurance build pulse --seconds 3600 --report 300
set -euo pipefail
cd "$(dirname "$0")/../.."
what=${1:?usage: bench/live/run.sh latency|endurance [build-dir] [pulse|pipewire] [options]}
build=${2:-build}
server=${3:-pulse}
shift 3 || shift $#
program="$build/bin/live_$what"
[ -x "$program" ] || { echo "build $program first (cmake --build $build --target live_$what)" >&2; exit 2; }

bash "scripts/$server-null.sh" run "$program" "$@"
