#!/usr/bin/env bash
# Exit time of the program: from Ctrl+Q (File > Exit) to the end of the
# process, while a sample voice plays and while a recording runs, under Xvfb
# with a private sound server. While recording, Exit stops the recording and
# asks "Save the recorded voice?"; the time the question stands on the screen
# is left out (up to its showing, then from the answer Discard to the end).
# xdotool's own start (a few ms a call) is counted in.
#
#   bench/window/exit-time.sh [runs] [program]      (5 runs, build/bin/parrotel)
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-5}
program=${2:-build/bin/parrotel}
[ -x "$program" ] || { echo "build $program first" >&2; exit 2; }
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$runs" "$program"
fi
if [ -z "${PULSE_SERVER:-}" ]; then
  exec bash scripts/pulse-null.sh run bash "$0" "$runs" "$program"
fi
command -v xdotool >/dev/null || { echo "needs xdotool" >&2; exit 2; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Waits for a window whose name matches, prints its id.
window_named() {
  for _ in $(seq 1000); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.01
  done
  return 1
}

# Clicks at a point of the main window's client area (608 x 393, below the menu).
click_client() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove $((X + $2)) $((Y + HEIGHT - 393 + $3)) click 1
}

one_exit() {
  local mode=$1
  XDG_RUNTIME_DIR=$scratch "$program" 2>/dev/null &
  local pid=$!
  local main
  main=$(window_named "^Warblecast")
  sleep 0.5
  if [ "$mode" = playing ]; then
    click_client "$main" 197 364   # SF1
    sleep 0.3
    click_client "$main" 55 76     # Play
  else
    click_client "$main" 57 184    # REC
  fi
  sleep 1
  xdotool windowfocus "$main"
  local start asked answered end
  start=$(now_ms)
  xdotool key --delay 0 ctrl+q
  if [ "$mode" = recording ]; then
    window_named "^Tavrin Audio Warblecast$" >/dev/null
    asked=$(now_ms)
    xdotool key --delay 0 Tab   # from Save to Discard (a mnemonic would animate the click)
    answered=$(now_ms)
    xdotool key --delay 0 Return
  else
    asked=$start; answered=$start
  fi
  wait "$pid" || true
  end=$(now_ms)
  echo "$(( asked - start + end - answered )) $(( asked - start )) $(( end - answered ))"
}

for mode in playing recording; do
  times=()
  for run in $(seq "$runs"); do
    read -r ms before after < <(one_exit "$mode")
    if [ "$mode" = recording ]; then
      echo "exit while $mode, run $run: ${ms} ms (${before} ms to the question, ${after} ms from the answer)"
    else
      echo "exit while $mode, run $run: ${ms} ms"
    fi
    times+=("$ms")
  done
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  echo "exit while $mode, $runs runs: median $(echo "$sorted" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}') ms, max $(echo "$sorted" | tail -1) ms"
done
