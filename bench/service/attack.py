#!/usr/bin/python3
"""Attack figures of verinox-checkd on loopback.

While slow and hostile clients run (dripping headers, idle connections, bursts of new
connections, huge headers, endless chunked bodies, pipelined requests, checks against an
exchanger that accepts and never answers), measures how long a cached answer and a syntax-only
answer take on fresh connections, the service's peak memory, and how long SIGTERM takes.
Usage: bench/service/attack.py [BUILD_DIR] [SECONDS]
"""
import http.client
import os
import random
import resource
import signal
import socket
import statistics
import subprocess
import sys
import threading
import time

check = "/tools/verinox/checkmail.php?email="


def measure(port, seconds):
    """Runs in a process of its own, so the attackers' threads do not delay its requests."""
    timings = {"cached": [], "syntax": []}
    failures = 0
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        for name, target in (("cached", check + "alice@mx.test"), ("syntax", check + "kein-at")):
            started = time.monotonic()
            try:
                c = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
                c.request("GET", target)
                reply = c.getresponse()
                reply.read()
                c.close()
                ok = reply.status == 200
            except OSError:
                ok = False
            failures += not ok
            timings[name].append((time.monotonic() - started) * 1000)
        time.sleep(0.01)
    for name, values in timings.items():
        values.sort()
        p99 = values[int(len(values) * 0.99) - 1]
        print(f"{name:7s} {len(values):5d} answers on fresh connections: median "
              f"{statistics.median(values):.1f} ms, p99 {p99:.1f} ms, max {values[-1]:.1f} ms")
    print(f"failed answers: {failures}")


if len(sys.argv) == 4 and sys.argv[1] == "--measure":
    measure(int(sys.argv[2]), float(sys.argv[3]))
    sys.exit(0)

top = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "build")
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 20
soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
stop = threading.Event()


def free_port(kind=socket.SOCK_STREAM):
    with socket.socket(type=kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


dns_port, smtp_port, http_port = free_port(socket.SOCK_DGRAM), free_port(), free_port()
silent = socket.socket()
silent.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
silent.bind(("127.0.0.3", smtp_port))
silent.listen(4096)
peers = [
    subprocess.Popen(["dnsmasq", "--keep-in-foreground", "--conf-file=/dev/null", "--no-resolv",
                      "--no-hosts", "--listen-address=127.0.0.1", "--bind-interfaces",
                      f"--port={dns_port}", "--pid-file=", "--local=/test/",
                      "--mx-host=mx.test,mx1.mx.test,10", "--host-record=mx1.mx.test,127.0.0.1",
                      "--mx-host=silent.test,mx.silent.test,10",
                      "--host-record=mx.silent.test,127.0.0.3"], stderr=subprocess.DEVNULL),
    subprocess.Popen(["/usr/bin/python3", os.path.join(top, "tests/service/smtp_peer.py"),
                      "--port", str(smtp_port)], stdout=subprocess.DEVNULL),
]
service = subprocess.Popen([os.path.join(build, "bin/verinox-checkd"), "--listen",
                            f"127.0.0.1:{http_port}", "--dns", f"127.0.0.1:{dns_port}",
                            "--smtp-port", str(smtp_port), "--allow-private-mx"],
                           stderr=subprocess.DEVNULL)


def connect():
    s = socket.socket()
    s.settimeout(10)
    s.connect(("127.0.0.1", http_port))
    return s


def get(target):
    c = http.client.HTTPConnection("127.0.0.1", http_port, timeout=60)
    c.request("GET", target)
    reply = c.getresponse()
    reply.read()
    c.close()
    return reply.status


for _ in range(100):
    try:
        get("/health")
        break
    except OSError:
        time.sleep(0.1)
time.sleep(0.5)
assert get(check + "alice@mx.test") == 200


def forever(attack):
    def loop():
        while not stop.is_set():
            try:
                attack()
            except OSError:
                time.sleep(0.05)
    return loop


def slowloris():
    s = connect()
    s.send(b"GET " + check.encode() + b"a HTTP/1.1\r\nHost: t\r\n")
    while not stop.is_set():
        s.send(b"X")
        time.sleep(3)


def idle():
    conns = [connect() for _ in range(1000)]
    stop.wait()
    for c in conns:
        c.close()


def burst():
    conns = []
    for _ in range(2000):
        try:
            conns.append(connect())
        except OSError:
            pass
    for c in conns:
        c.close()
    time.sleep(1)


def huge_header():
    s = connect()
    s.send(b"GET / HTTP/1.1\r\nHost: t\r\n")
    for _ in range(100000):
        s.send(b"X-Fill: " + b"a" * 1000 + b"\r\n")


def chunked():
    s = connect()
    s.send(b"POST / HTTP/1.1\r\nHost: t\r\nTransfer-Encoding: chunked\r\n\r\n")
    chunk = b"100000\r\n" + b"b" * 0x100000 + b"\r\n"
    for _ in range(400):
        s.send(chunk)


def pipelined():
    s = connect()
    s.send((f"GET {check}kein-at HTTP/1.1\r\nHost: t\r\n\r\n" * 50).encode())
    while s.recv(65536):
        pass


def silent_check():
    get(check + f"u{random.randrange(10**9)}@silent.test")


threads = [threading.Thread(target=forever(slowloris), daemon=True) for _ in range(64)]
threads += [threading.Thread(target=idle, daemon=True)]
threads += [threading.Thread(target=forever(burst), daemon=True)]
threads += [threading.Thread(target=forever(huge_header), daemon=True) for _ in range(4)]
threads += [threading.Thread(target=forever(chunked), daemon=True) for _ in range(4)]
threads += [threading.Thread(target=forever(pipelined), daemon=True) for _ in range(4)]
threads += [threading.Thread(target=forever(silent_check), daemon=True) for _ in range(80)]
for t in threads:
    t.start()
time.sleep(3)

print(f"attacks for {seconds:.0f} s: 64 dripping clients, 1000 idle connections, bursts of 2000 "
      "connections, 4 huge headers, 4 chunked bodies, 4 pipelined streams, 80 checks on a "
      "silent exchanger", flush=True)
subprocess.run(["/usr/bin/python3", os.path.abspath(__file__), "--measure", str(http_port),
                str(seconds)], check=True)

with open(f"/proc/{service.pid}/status") as status:
    peak = next(line.split()[1] for line in status if line.startswith("VmHWM"))
started = time.monotonic()
service.send_signal(signal.SIGTERM)
service.wait(60)
sigterm = time.monotonic() - started
stop.set()
for p in peers:
    p.terminate()
    p.wait()

print(f"peak memory {int(peak) // 1024} MB; SIGTERM to exit {sigterm:.2f} s "
      f"(exit code {service.returncode})")
