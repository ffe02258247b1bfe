#!/usr/bin/env bash
# The normal tests' run of a fuzz target: a fresh seed corpus from the target's script, then the
# seeds and every kept regression input through the replay program.
# Usage: replay-fuzz.sh REPLAY_PROGRAM SEED_SCRIPT REGRESSIONS_DIR WORK_DIR
set -euo pipefail
program=$1 seeds=$2 regressions=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
"$seeds" "$work"
"$program" "$work" "$regressions"
