#!/usr/bin/env bash
# Builds the Debian package of Warblecast into OUTDIR:
#   bash scripts/package-deb.sh OUTDIR
# gives OUTDIR/warblecast_VERSION_ARCH.deb with the program, its libraries,
# the sample voices, the help, the desktop entry, the icon and the metainfo,
# installed under /usr. Its dependencies are the shared libraries the
# binaries need, as dpkg-shlibdeps finds them (the program's own libraries
# come with it). The build happens in build-deb/ (tests and benchmarks off).
set -euo pipefail
cd "$(dirname "$0")/.."
outdir=${1:?usage: package-deb.sh OUTDIR}
mkdir -p "$outdir"
outdir=$(cd "$outdir" && pwd)
bash scripts/install-deps.sh

build=build-deb
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DPARROTEL_BUILD_TESTS=OFF -DPARROTEL_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"

version=$(sed -n 's/^project(Warblecast VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/warblecast
DESTDIR=$root cmake --install "$build" >/dev/null
# Debug information stays out of the package; the binaries keep their symbols' names.
find "$root" -type f \( -name '*.so' -o -perm -u+x \) -exec sh -c 'file -b "$1" | grep -q ELF' _ {} \; \
  -exec strip --strip-debug --remove-section=.comment {} \;

# dpkg-shlibdeps works inside a source tree: give it a minimal one. The
# program's private libraries are searched where the package installs them.
elves=$(find "$root" -type f -exec sh -c 'file -b "$1" | grep -q ELF' _ {} \; -print)
private=$(find "$root" -type d -name parrotel -path '*/lib/*')
mkdir -p "$stage/debian"
printf 'Source: warblecast\n\nPackage: warblecast\nArchitecture: any\n' > "$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O -l"$private" \
  --ignore-missing-info $elves 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "package-deb: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

mkdir -p "$root/DEBIAN"
size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
cat > "$root/DEBIAN/control" <<EOF
Package: warblecast
Version: $version
Architecture: $arch
Maintainer: The Warblecast developers <developers@warblecast.io>
Installed-Size: $size
Depends: $depends
Recommends: libmp3lame0, libasound2-plugins
Section: sound
Priority: optional
Homepage: https://warblecast.io/
Description: voice-effects studio
 Warblecast records a short voice or opens a sound file or one of three
 sample voices, gives it one-click effects (echo, chorus, flange, fades,
 bass or treble only, robot voice, backward, sweeps, slow monster, fast
 squeaker) and a thirteen-step pitch bar, and exports the processed voice
 as WAVE, MP3, Opus, FLAC or RealAudio. parrotel-render runs the same
 effects from the command line.
EOF

deb=$outdir/warblecast_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
