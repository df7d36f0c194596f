#!/usr/bin/env bash
# Proves that the effects give the same bytes on another processor: cross-builds
# the parts without Qt or FFmpeg (the effects, the voice files, parrotel-render
# and their tests; PARROTEL_CORE_ONLY) into build-PROCESSOR/, runs their tests
# under qemu-user, and renders the sample voices through every effect there,
# comparing each render with the x86-64 renders' checksums
# (scripts/render-checks.sh). Too slow for CI; run it by hand:
#
#   bash scripts/cross-check.sh aarch64
#
# Installs what it needs when missing: Debian's cross compiler and qemu-user,
# and builds GoogleTest for the target from Debian's /usr/src/googletest.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

processor=${1:?the processor to check, for example aarch64}
case "$processor" in
  aarch64) triplet=aarch64-linux-gnu ;;
  *) echo "cross-check.sh: no recipe for $processor (known: aarch64)" >&2; exit 1 ;;
esac
started=$(date +%s)
build=$root/build-$processor
deps=$build/deps
sysroot=/usr/$triplet
emulator=qemu-$processor

echo "== tools =="
# The project's packages (googletest's sources, LAME's header, cmake, ninja),
# the cross compiler and qemu-user.
bash scripts/install-deps.sh "g++-$triplet" qemu-user

mkdir -p "$build" "$deps/include/lame"
cat >"$build/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR $processor)
set(CMAKE_C_COMPILER $triplet-gcc)
set(CMAKE_CXX_COMPILER $triplet-g++)
set(CMAKE_FIND_ROOT_PATH $sysroot $deps)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR $emulator -L $sysroot)
EOF

if [ ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "== GoogleTest for $processor =="
  cmake -S /usr/src/googletest -B "$build/googletest" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$build/toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$deps" >/dev/null
  cmake --build "$build/googletest" -j"$(nproc)"
  cmake --install "$build/googletest" >/dev/null
fi
# The renderer's MP3 route declares LAME's functions from lame.h, which is
# the same for every processor; it loads the library itself at run time.
ln -sf /usr/include/lame/lame.h "$deps/include/lame/lame.h"

echo "== build for $processor =="
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="$build/toolchain.cmake" \
      -DPARROTEL_CORE_ONLY=ON -DPARROTEL_BUILD_BENCH=OFF -DGTest_DIR="$deps/lib/cmake/GTest" \
      -DCMAKE_CXX_FLAGS="-isystem $deps/include"
cmake --build "$build" -j"$(nproc)"
file "$build/bin/parrotel-render"

echo "== tests under $emulator =="
# No LAME library is installed for $processor, so its MP3 export cannot run here.
GTEST_FILTER='-*Mp3*' ctest --test-dir "$build" -R 'effects|voice|render' -E render_sample_checksums --output-on-failure

echo "== sample renders under $emulator =="
bash scripts/render-checks.sh check "$emulator -L $sysroot $build/bin/parrotel-render" "$build/bin"

echo "Cross check for $processor passed in $(( $(date +%s) - started )) s."
