#!/usr/bin/env bash
# Starts or stops a private PipeWire server (with WirePlumber and its
# PulseAudio interface, pipewire-pulse) with a null sink, so that sound can be
# played and recorded on a machine without a sound card. Same commands and
# the same client environment as pulse-null.sh:
#
#   pipewire-null.sh start DIR   start a server whose PulseAudio socket is DIR/native
#   pipewire-null.sh stop DIR    stop it
#   pipewire-null.sh env DIR     print the environment a client needs
#   pipewire-null.sh run CMD...  run a command on a server of its own, then stop it
#
# Everything lives in DIR, made afresh by start: WirePlumber restores volumes
# it saved under $HOME, and a fresh folder keeps one run from the next.
# WirePlumber needs a session bus, so the server runs under dbus-run-session,
# in a process group of its own: stop kills the whole group (pipewire-pulse
# outlives pipewire otherwise).
#
# Pulse clients get channelmix.normalize: without it a stereo-to-mono mix is
# the sum times 0.707 instead of the average, and levels read 3 dB high.
set -euo pipefail

if [ "${1:-}" = run ]; then
  shift
  server=$(mktemp -d)
  trap 'bash "$0" stop "$server"; rm -rf "$server" 2>/dev/null || { sleep 1; rm -rf "$server"; }' EXIT
  bash "$0" start "$server"
  env $(bash "$0" env "$server") "$@"
  exit
fi

usage="usage: pipewire-null.sh start|stop|env DIR, or run CMD..."
cmd=${1:?$usage}
dir=${2:?$usage}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

client_env() {
  echo "PULSE_SERVER=unix:$dir/native"
  echo "PULSE_COOKIE=$dir/cookie"
}

server_running() {
  PULSE_SERVER="unix:$dir/native" PULSE_COOKIE="$dir/cookie" pactl get-default-sink 2>/dev/null | grep -qx nullsink
}

stop_server() {
  if [ -f "$dir/pgid" ]; then
    local group
    group=$(cat "$dir/pgid")
    kill -TERM -- "-$group" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 -- "-$group" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL -- "-$group" 2>/dev/null || true
    rm -f "$dir/pgid"
  fi
}

case "$cmd" in
  env)
    client_env
    ;;
  start)
    if server_running; then
      exit 0   # already running
    fi
    stop_server
    rm -rf "$dir/home" "$dir/runtime" "$dir/native"
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config"
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d" \
             "$XDG_CONFIG_HOME/pipewire/pipewire-pulse.conf.d"
    chmod 700 "$XDG_RUNTIME_DIR"
    cat > "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/10-null-sink.conf" <<CONF
context.objects = [
  { factory = adapter
    args = { factory.name = support.null-audio-sink node.name = "nullsink"
             node.description = "Null Output" media.class = "Audio/Sink"
             audio.position = [ FL FR ] monitor.channel-volumes = true object.linger = true } }
]
context.exec = [
  { path = "/usr/bin/wireplumber" args = "" }
  { path = "/usr/bin/pipewire-pulse" args = "" }
]
CONF
    cat > "$XDG_CONFIG_HOME/pipewire/pipewire-pulse.conf.d/10-private.conf" <<CONF
pulse.properties = { server.address = [ "unix:$dir/native" ] }
stream.properties = { channelmix.normalize = true }
CONF
    # setsid makes the server the leader of a new process group: its id is the group's.
    setsid dbus-run-session -- pipewire >"$dir/pipewire.log" 2>&1 < /dev/null &
    echo $! > "$dir/pgid"
    for _ in $(seq 1 100); do
      if server_running; then exit 0; fi
      sleep 0.1
    done
    echo "PipeWire did not start; see $dir/pipewire.log" >&2
    stop_server
    exit 1
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "$usage" >&2; exit 2 ;;
esac
