#!/usr/bin/env bash
# The round trip starts from the reader's seeds.
exec "$(dirname "$0")/gif_fuzz.seeds.sh" "$@"
