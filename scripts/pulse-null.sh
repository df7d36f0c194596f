#!/usr/bin/env bash
# Starts or stops a private PulseAudio server with a null sink, so that sound
# can be played and recorded on a machine without a sound card.
#
#   pulse-null.sh start DIR   start a server whose socket lives in DIR/native
#   pulse-null.sh stop DIR    stop it
#   pulse-null.sh env DIR     print the environment a client needs
#   pulse-null.sh run CMD...  run a command on a server of its own, then stop it
#
# The null sink runs at 44100 Hz; its monitor is the default source, so what
# is played can be recorded back. The sink never rewinds: a rewind would cut
# what the monitor records where a stream starts, pauses or resumes.
set -euo pipefail

if [ "${1:-}" = run ]; then
  shift
  server=$(mktemp -d)
  trap 'bash "$0" stop "$server"; rm -rf "$server"' EXIT
  bash "$0" start "$server"
  env $(bash "$0" env "$server") "$@"
  exit
fi

cmd=${1:?usage: pulse-null.sh start|stop|env DIR, or run CMD...}
dir=${2:?usage: pulse-null.sh start|stop|env DIR, or run CMD...}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

client_env() {
  echo "PULSE_SERVER=unix:$dir/native"
  echo "PULSE_COOKIE=$dir/cookie"
}

case "$cmd" in
  env)
    client_env
    ;;
  start)
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config"
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
    export PULSE_SERVER="unix:$dir/native" PULSE_COOKIE="$dir/cookie"
    if pactl info >/dev/null 2>&1; then
      exit 0   # already running
    fi
    cat > "$dir/null.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
load-module module-null-sink sink_name=nullsink rate=44100 norewinds=1
set-default-sink nullsink
set-default-source nullsink.monitor
PA
    pulseaudio -D --exit-idle-time=-1 -n -F "$dir/null.pa" \
      --log-target=file:"$dir/pulse.log" --use-pid-file=yes
    for _ in $(seq 1 50); do
      if pactl info >/dev/null 2>&1; then exit 0; fi
      sleep 0.1
    done
    echo "PulseAudio did not start; see $dir/pulse.log" >&2
    exit 1
    ;;
  stop)
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime"
    pulseaudio --kill >/dev/null 2>&1 || true
    ;;
  *)
    echo "usage: pulse-null.sh start|stop|env DIR, or run CMD..." >&2; exit 2 ;;
esac
