#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window under Xvfb with the first sample
# voice loaded and two effects switched on. Needs a built tree (build/).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$out"
fi
scratch=$(mktemp -d)
trap 'bash scripts/pulse-null.sh stop "$scratch/pulse"; rm -rf "$scratch"' EXIT
# The program ends at once without a wave device: a private sound server
# (also keeps the machine's own volumes out of reach).
bash scripts/pulse-null.sh start "$scratch/pulse"
export $(bash scripts/pulse-null.sh env "$scratch/pulse")
XDG_RUNTIME_DIR=$scratch build/bin/parrotel &
pid=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name "^Warblecast" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear" >&2; kill "$pid"; exit 1; }
sleep 0.5
# Window coordinates: the menu bar is above the 608 x 393 client area.
menu=$(( $(xwininfo -id "$window" | awk '/Height:/ {print $2}') - 393 ))
click() { xdotool mousemove --window "$window" "$1" $(( $2 + menu )) click 1; sleep 0.4; }
click 197 364   # SF1: the first sample voice
click 88 258    # Echo
click 160 318   # Robot voice
sleep 0.3
eval "$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print "x=" $4} /Absolute upper-left Y/ {print "y=" $4} /Width:/ {print "w=" $2} /Height:/ {print "h=" $2}')"
import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
kill "$pid"
echo "wrote $out"
