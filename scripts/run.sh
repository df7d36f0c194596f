#!/usr/bin/env bash
# Installs what is missing, builds, and runs Warblecast.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build
if [ -x build/bin/parrotel ]; then
  exec build/bin/parrotel
fi
# Until the window is there: render a sample voice through the effects.
out=${TMPDIR:-/tmp}/warblecast-sample.wav
build/bin/parrotel-render --echo --chorus --pitch 3 build/bin/SF1.WAV "$out"
echo "Rendered the first sample voice with echo, chorus and pitch step 3 into $out"
