#!/usr/bin/env bash
# Set-up, Release build, then the program (needs a display).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$top/build"
exec "$top/build/bin/verinox" "$@"
