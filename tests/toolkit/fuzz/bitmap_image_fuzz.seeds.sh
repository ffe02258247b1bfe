#!/usr/bin/env bash
# Both bitmap file readers start from the same seeds.
exec "$(dirname "$0")/../../gif/fuzz/bitmap_file_fuzz.seeds.sh" "$@"
