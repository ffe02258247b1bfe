#!/usr/bin/env bash
# Set-up, Release build, then the program (needs a display). The check service is started first
# when nothing listens on its port yet, and the one started here is stopped when the program ends.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$top/build"

host=$(sed -n 's/^VERINOX_CHECK_HOST:[A-Z]*=//p' "$top/build/CMakeCache.txt")
host=${host:-127.0.0.1:8470}
listening() { (exec 3<>"/dev/tcp/${host%:*}/${host##*:}") 2>/dev/null; }
if ! listening; then
    "$top/build/bin/verinox-checkd" --listen "$host" &
    service=$!
    trap 'kill "$service" 2>/dev/null; wait "$service" 2>/dev/null || true' EXIT
    for _ in $(seq 100); do
        listening && break
        kill -0 "$service" 2>/dev/null || { echo "run: verinox-checkd did not start" >&2; exit 1; }
        sleep 0.1
    done
fi
"$top/build/bin/verinox" "$@"
