#!/usr/bin/env bash
# Program figures under Xvfb, medians of 5 runs: time from process start to the main window on
# screen, resident memory once idle (the program's own process, and with the web engine's helper
# processes), and CPU use while the busy animation runs (a check against a service that never
# answers keeps it running).   Usage: bench/measure-program.sh [build/bin/verinox]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$top/build/bin/verinox}")
runs=5
results=$(mktemp)
trap 'rm -f "$results"' EXIT

one_run() {
    local t0 t1 pid
    t0=$(date +%s%N)
    "$program" 2>/dev/null &
    pid=$!
    until xwininfo -name "Verinox 1.0" 2>/dev/null | grep -q IsViewable; do :; done
    t1=$(date +%s%N)
    local geometry
    geometry=$(xwininfo -name "Verinox 1.0" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF} END{print x","y" "w"x"h}')
    sleep 6
    local rss tree
    rss=$(awk '/VmRSS/{print $2}' "/proc/$pid/status")
    tree=$( (echo "$pid"; pgrep -P "$pid"; for c in $(pgrep -P "$pid"); do pgrep -P "$c"; done) |
        sort -u | while read -r p; do awk '/VmRSS/{print $2}' "/proc/$p/status" 2>/dev/null; done |
        awk '{s+=$1} END{print s}')
    # A service that takes the connection and never answers: the page keeps loading.
    python3 -c '
import socket, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 8470)); s.listen(8); conns = []
while True:
    c, _ = s.accept(); conns.append(c)' &
    local server=$!
    sleep 0.5
    xdotool search --name "^Verinox 1.0$" windowfocus --sync
    xdotool type --delay 5 "max.mustermann+test@beispiel.de"
    xdotool key Return
    sleep 1
    local c0 c1 hz
    hz=$(getconf CLK_TCK)
    c0=$(awk '{print $14+$15}' "/proc/$pid/stat")
    sleep 5
    c1=$(awk '{print $14+$15}' "/proc/$pid/stat")
    kill "$server" "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$(( (t1 - t0) / 1000000 )) $rss $tree $(echo "$c0 $c1 $hz" | awk '{printf "%.2f", ($2-$1)/$3/5*100}') $geometry"
}
export -f one_run
export program

for _ in $(seq "$runs"); do
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c one_run >>"$results"
done
cat "$results"
median() { sort -n | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}'; }
echo "window on screen: $(cut -d' ' -f1 "$results" | median) ms"
echo "idle RSS: $(cut -d' ' -f2 "$results" | median) KiB (program), $(cut -d' ' -f3 "$results" | median) KiB (with web engine processes)"
echo "CPU while animating: $(cut -d' ' -f4 "$results" | median) % of one core"
