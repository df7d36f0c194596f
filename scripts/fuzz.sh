#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of
# seconds over its seed corpus (tests/fuzz/corpus/<target>).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPARROTEL_FUZZ=ON -DPARROTEL_BUILD_BENCH=OFF
targets=$(ninja -C build-fuzz -t targets all | sed -n 's/^\(fuzz_[a-z_]*\): phony$/\1/p' | grep -v '_autogen' | sort -u)
if [ -z "$targets" ]; then
  echo "no fuzz targets found in build-fuzz" >&2
  exit 1
fi
for target in $targets; do
  cmake --build build-fuzz --target "$target" -j"$(nproc)"
  corpus=tests/fuzz/corpus/${target#fuzz_}
  work=$(mktemp -d)
  cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  echo "-- $target for ${seconds}s"
  (cd "$work" && "$OLDPWD/build-fuzz/bin/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -timeout=10 -rss_limit_mb=2048 "$work")
  rm -rf "$work"
done
