#!/usr/bin/env bash
# Installs a Warblecast package on a fresh Debian 12 and runs it there:
#   bash scripts/check-deb-fresh-root.sh OUTDIR/warblecast_VERSION_ARCH.deb [ROOT]
# A minimal bookworm is made with debootstrap in ROOT (a new scratch folder
# unless given; an existing one is reused), `apt install ./warblecast_*.deb`
# installs the package with what it depends on, and then, inside the root:
# parrotel-render renders a sample voice to Opus and opens that Opus file
# again, and parrotel starts from the menu's command on a virtual display
# with a silent sound server until it paints its window. Needs root; takes
# a few minutes and a few hundred megabytes, so it is not part of the tests.
set -euo pipefail
deb=$(realpath "${1:?usage: check-deb-fresh-root.sh WARBLECAST.deb [ROOT]}")
root=${2:-$(mktemp -d /var/tmp/warblecast-bookworm-XXXXXX)}
mirror=http://deb.debian.org/debian
here=$(cd "$(dirname "$0")" && pwd)

command -v debootstrap >/dev/null || { apt-get update -qq; apt-get install -y -qq debootstrap; }
if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "== debootstrap bookworm into $root"
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -20 "$root.debootstrap.log"; exit 1; }
fi
cat > "$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF

mount -t proc proc "$root/proc"
mount -t tmpfs tmpfs "$root/tmp"
trap 'umount "$root/tmp"; umount "$root/proc"' EXIT
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root DEBIAN_FRONTEND=noninteractive "$@"; }

echo "== apt install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
in_root apt-get install -y -qq "/tmp/$(basename "$deb")" >/dev/null
in_root dpkg -s warblecast | sed -n 's/^\(Version\|Depends\): /  \1: /p'

echo "== parrotel-render"
sample=$(in_root sh -c 'ls /usr/lib/*/parrotel/SF1.WAV')
in_root parrotel-render --quiet --echo --robot "$sample" /tmp/sf1.opus
in_root parrotel-render --quiet /tmp/sf1.opus /tmp/sf1-again.wav
echo "  $sample -> /tmp/sf1.opus ($(stat -c %s "$root/tmp/sf1.opus") bytes)" \
     "-> /tmp/sf1-again.wav ($(stat -c %s "$root/tmp/sf1-again.wav") bytes)"

echo "== parrotel on a virtual display"
# Tools for the check only, not what the package needs.
in_root apt-get install -y -qq --no-install-recommends xvfb xauth pulseaudio pulseaudio-utils >/dev/null
cp "$here/pulse-null.sh" "$root/tmp/"
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/io.warblecast.Parrotel.desktop")
echo "  the menu runs: $exec_line"
in_root bash -c '
  bash /tmp/pulse-null.sh start /tmp/pulse
  export $(bash /tmp/pulse-null.sh env /tmp/pulse) XDG_RUNTIME_DIR=/tmp PARROTEL_FIRST_PAINT_LOG=/tmp/painted
  Xvfb :97 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X97 ] && break; sleep 0.1; done
  DISPLAY=:97 parrotel >/tmp/parrotel.log 2>&1 &
  program=$!
  for _ in $(seq 300); do [ -s /tmp/painted ] && break; sleep 0.1; done
  kill "$program" "$xvfb" 2>/dev/null || true
  wait || true
  bash /tmp/pulse-null.sh stop /tmp/pulse
  [ -s /tmp/painted ] || { echo "  parrotel did not paint its window:" >&2; cat /tmp/parrotel.log >&2; exit 1; }
  echo "  parrotel painted its window ($(cat /tmp/painted))"
'
echo "== the package installed and ran on a fresh Debian 12 root ($root)"
