#!/usr/bin/env bash
# What each deliverable shows the dynamic linker: every library exactly the
# functions its public header marks for export (libfaderbox its 27,
# libmp3bridge its five, libmediabridge its six), and the program nothing. No C++ inside of a library, and no copy of
# a static helper that could take a library's own copy's place.
#
#   check-exports.sh SOURCE_DIR FADERBOX REALCONV TAPEDECK MP3BRIDGE MEDIABRIDGE PROGRAM
set -uo pipefail
source_dir=$1
failed=0

# The names declared with the export macro (a grep pattern) in the headers,
# sorted; the macro's own definition is no declaration.
declared() {
  local macro=$1
  shift
  grep -h -v '^ *#' "$@" | grep -o "\($macro\) [^(]*(" | sed 's/ *($//; s/.*[ *]//' | sort
}

# The global symbols the file defines for the dynamic linker, sorted.
shown() { nm -D -g --defined-only "$1" | awk '{print $NF}' | sort; }

expect() {
  local file=$1 expected=$2 count=$3
  local actual
  actual=$(shown "$file")
  if [ "$(grep -c . <<<"$expected")" != "$count" ]; then
    echo "$(basename "$file"): the headers declare $(grep -c . <<<"$expected") exports, not $count"
    failed=1
  fi
  if [ "$actual" != "$expected" ]; then
    echo "$(basename "$file") shows other symbols than its headers declare (< declared, > shown):"
    diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' | c++filt
    failed=1
  fi
}

expect "$2" "$(declared FADERBOX_API "$source_dir/faderbox/include/faderbox/faderbox.h")" 27
expect "$3" "$(declared 'REALCONV_API\|REALAUDIO_EXPORT_API' "$source_dir/realconv/include/realconv.h" \
                 "$source_dir/realconv/include/realaudio_export_c.h")" 3
expect "$4" "$(declared TAPEDECK_API "$source_dir/platform/tapedeck/include/tapedeck/tapedeck.h")" 4
expect "$5" "$(declared MP3BRIDGE_EXPORT "$source_dir/platform/mp3bridge/include/mp3bridge.h")" 5
expect "$6" "$(declared MEDIABRIDGE_EXPORT "$source_dir/platform/mediabridge/include/mediabridge.h")" 6
expect "$7" "" 0

[ "$failed" = 0 ] && echo "every deliverable shows exactly its declared exports"
exit "$failed"
