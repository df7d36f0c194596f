#!/usr/bin/env bash
# Installs what is missing, builds, and runs Warblecast.
#
# On a desktop the program opens its window and plays through the desktop's
# sound server. Where there is no sound server (a bare machine), a silent
# private one is started so the program can run; where there is no display
# either, the program runs on a virtual display for a moment and a
# screenshot of its window is saved instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  shot=${TMPDIR:-/tmp}/warblecast-window.png
  echo "No display here: running Warblecast on a virtual display and saving its window to $shot"
  exec bash scripts/screenshot.sh "$shot"
fi

if ! pactl info >/dev/null 2>&1; then
  scratch=$(mktemp -d)
  trap 'bash scripts/pulse-null.sh stop "$scratch/pulse"; rm -rf "$scratch"' EXIT
  echo "No sound server is running: starting a silent one so that Warblecast can run."
  bash scripts/pulse-null.sh start "$scratch/pulse"
  export $(bash scripts/pulse-null.sh env "$scratch/pulse")
fi
build/bin/parrotel
