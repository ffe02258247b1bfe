#!/usr/bin/env bash
# Load figures of verinox-checkd on loopback with wrk: syntax-invalid addresses and a cached
# address (its first check runs against dnsmasq and the scripted SMTP exchanger of the tests).
# Usage: bench/service/load.sh [BUILD_DIR] [SECONDS] [CONNECTIONS]
# Fails when a run has errors, stays below 20000 requests/s or has a p99 latency of 10 ms or more.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
seconds=${2:-10}
connections=${3:-8}
min_rate=20000
max_p99_ms=10

free_port() {
    /usr/bin/python3 -c 'import socket,sys; s=socket.socket(type=socket.SOCK_DGRAM if sys.argv[1]=="udp" else socket.SOCK_STREAM); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])' "$1"
}
dns_port=$(free_port udp)
smtp_port=$(free_port tcp)
http_port=$(free_port tcp)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true' EXIT

dnsmasq --keep-in-foreground --conf-file=/dev/null --no-resolv --no-hosts \
    --listen-address=127.0.0.1 --bind-interfaces --port="$dns_port" --pid-file= --local=/test/ \
    --mx-host=mx.test,mx1.mx.test,10 --host-record=mx1.mx.test,127.0.0.1 2>/dev/null &
pids+=($!)
/usr/bin/python3 "$top/tests/service/smtp_peer.py" --port "$smtp_port" >/dev/null &
pids+=($!)
"$build/bin/verinox-checkd" --listen "127.0.0.1:$http_port" --dns "127.0.0.1:$dns_port" \
    --smtp-port "$smtp_port" --allow-private-mx --timeout 2 2>/dev/null &
pids+=($!)

base="http://127.0.0.1:$http_port/tools/verinox/checkmail.php?email="
for port in "$smtp_port" "$http_port"; do
    for _ in $(seq 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
        sleep 0.1
    done
done
verdict=$(curl -sf "${base}alice@mx.test&format=json" | /usr/bin/python3 -c 'import json,sys; print(json.load(sys.stdin)["verdict"])')
echo "primed alice@mx.test: $verdict"

status=0
run() {
    local name=$1 url=$2 out rate p99 p99_ms errors non2xx
    out=$(wrk -t2 -c"$connections" -d"${seconds}s" --latency "$url")
    rate=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
    p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
    p99_ms=$(awk -v v="$p99" 'BEGIN {
        if (v ~ /us$/) { sub(/us$/, "", v); print v / 1000 }
        else if (v ~ /ms$/) { sub(/ms$/, "", v); print v + 0 }
        else { sub(/s$/, "", v); print v * 1000 } }')
    errors=$(awk '/Socket errors:/ {gsub(",", ""); print $4 + $6 + $8 + $10}' <<<"$out")
    non2xx=$(awk '/Non-2xx/ {print $5}' <<<"$out")
    printf '%-16s %10s req/s   p99 %8s   socket errors %s   non-2xx %s\n' \
        "$name" "$rate" "$p99" "${errors:-0}" "${non2xx:-0}"
    if awk -v r="$rate" -v p="$p99_ms" -v min="$min_rate" -v max="$max_p99_ms" \
        'BEGIN { exit !(r < min || p >= max) }' || [[ ${errors:-0} != 0 || ${non2xx:-0} != 0 ]]; then
        echo "  below the goal (>= $min_rate req/s, p99 < $max_p99_ms ms, no errors)" >&2
        status=1
    fi
}
echo "wrk: $connections connections, 2 threads, ${seconds}s each, $(nproc) cores"
run "syntax-invalid" "${base}not-an-address"
run "cached" "${base}alice@mx.test"
exit "$status"
