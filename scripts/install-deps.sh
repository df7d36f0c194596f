#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Warblecast.
# Only missing packages are installed, so a second run costs a second.
# Packages named as arguments are installed too (scripts/cross-check.sh).
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libasound2-dev libasound2-plugins
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev
  libmp3lame0 libmp3lame-dev
  libpulse-dev
  # tests and tools
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  pulseaudio pulseaudio-utils alsa-utils
  # PipeWire beside PulseAudio (not pipewire-alsa or pipewire-audio: they
  # remove pulseaudio); WirePlumber needs a session bus
  pipewire pipewire-bin wireplumber pipewire-pulse libspa-0.2-modules libpipewire-0.3-modules dbus
  ffmpeg sox espeak-ng
  xvfb xauth x11-utils xdotool imagemagick qt6-svg-dev
  fonts-dejavu-core fonts-liberation fontconfig
  time
  # the desktop entry and metainfo checks, the Debian package and its check
  desktop-file-utils appstream dpkg-dev fakeroot debootstrap
  "$@"
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
