#!/usr/bin/env python3
"""Program figures under Xvfb, medians of five runs: time from process start to the main window
painted on screen, resident memory and CPU use once idle, CPU use while the busy animation runs, and the time
from the check page's answer to the busy overlay's disappearance.

Run it inside a display of its own, for example:
    xvfb-run -a -s "-screen 0 1280x1024x24" bench/measure-program.py [build/bin/verinox]
It needs xdotool and reads the screen through libX11; the check service is played by a local
server on 127.0.0.1:8470 (the build's default host). A first, untimed run finds the window on the
screen and learns the colour its painted background has at the point the timed runs watch."""
import ctypes
import http.server
import os
import statistics
import subprocess
import sys
import threading
import time

PROGRAM = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                          os.path.join(os.path.dirname(__file__), "../build/bin/verinox"))
RUNS = 5
CLIENT = (397, 248)
WATCHED = (5, 5)             # a point of the window's background panel
DOT_IN_CLIENT = (16 + 1 + 56, 72 + 1 + 55)  # first dot: overlay + bevel + place in the picture

xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
xlib.XGetImage.restype = ctypes.c_void_p
xlib.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
xlib.XGetPixel.restype = ctypes.c_ulong
xlib.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
xlib.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
display = xlib.XOpenDisplay(None)
root = xlib.XDefaultRootWindow(display)
screen = (xlib.XDisplayWidth(display, 0), xlib.XDisplayHeight(display, 0))
origin = None       # the window's client area on the screen, found by the first run
painted_rgb = None  # the colour of the painted window at WATCHED


def pixel(x, y):
    image = xlib.XGetImage(display, root, x, y, 1, 1, 0xFFFFFFFF, 2)
    return xlib.XGetPixel(image, 0, 0) & 0xFFFFFF if image else None


def wait_for(condition, timeout=20.0, step=0.001):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if condition():
            return time.monotonic()
        time.sleep(step)
    raise TimeoutError


class Service(http.server.BaseHTTPRequestHandler):
    answer = True
    answered_at = []

    def do_GET(self):
        if not Service.answer:
            time.sleep(30)
            return
        body = b"<html><body>Ergebnis</body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        if self.path.startswith("/tools/"):
            Service.answered_at.append(time.monotonic())

    def log_message(self, *args):
        pass


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS"))


def tree_rss_kib(pid):
    """The program with the web engine's helper processes it started."""
    total, pending = 0, [pid]
    while pending:
        current = pending.pop()
        total += rss_kib(current)
        with open(f"/proc/{current}/task/{current}/children") as children:
            pending += [int(child) for child in children.read().split()]
    return total


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def check(address):
    subprocess.run(["xdotool", "search", "--name", "^Verinox 1.0$", "windowfocus", "--sync"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["xdotool", "type", "--delay", "5", address], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)


def find_window():
    """Starts the program once, finds its window and the colour it is painted with at WATCHED."""
    global origin, painted_rgb
    program = subprocess.Popen([PROGRAM], stderr=subprocess.DEVNULL)
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                            "^Verinox 1.0$"], check=True, capture_output=True, text=True)
    geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", found.stdout.split()[0]],
                              check=True, capture_output=True, text=True).stdout
    values = dict(line.split("=") for line in geometry.split())
    origin = (int(values["X"]), int(values["Y"]))
    time.sleep(3)
    painted_rgb = pixel(origin[0] + WATCHED[0], origin[1] + WATCHED[1])
    program.terminate()
    program.wait()


def one_run():
    dot = (origin[0] + DOT_IN_CLIENT[0], origin[1] + DOT_IN_CLIENT[1])
    watched = (origin[0] + WATCHED[0], origin[1] + WATCHED[1])
    start = time.monotonic()
    program = subprocess.Popen([PROGRAM], stderr=subprocess.DEVNULL)
    painted = wait_for(lambda: pixel(*watched) == painted_rgb)
    time.sleep(6)
    rss = rss_kib(program.pid)
    tree_rss = tree_rss_kib(program.pid)
    before = cpu_seconds(program.pid)
    time.sleep(5)
    idle_cpu = (cpu_seconds(program.pid) - before) / 5 * 100

    Service.answer, Service.answered_at = True, []
    check("max.mustermann+test@beispiel.de")
    wait_for(lambda: Service.answered_at)
    hidden = wait_for(lambda: pixel(*dot) == 0xFFFFFF, step=0.005)
    hide_delay = hidden - Service.answered_at[0]

    Service.answer = False
    subprocess.run(["xdotool", "key", "ctrl+a"], check=True)
    check("animation@beispiel.de")
    time.sleep(1)
    before = cpu_seconds(program.pid)
    time.sleep(5)
    cpu = (cpu_seconds(program.pid) - before) / 5 * 100
    program.terminate()
    program.wait()
    return (painted - start) * 1000, rss, tree_rss, idle_cpu, cpu, hide_delay


def main():
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 8470), Service)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    find_window()
    results = []
    for _ in range(RUNS):
        results.append(one_run())
        print("window %.0f ms, idle RSS %d KiB (%d KiB with helpers), idle CPU %.2f %%, animation CPU %.2f %%, hidden "
              "%.2f s after the answer" % results[-1], flush=True)
    print("median: window on screen %.0f ms, idle RSS %.0f KiB (%.0f KiB with the web engine's "
          "helper processes), CPU idle %.2f %% and while "
          "animating %.2f %% of one core, overlay hidden %.2f s after the answer" %
          tuple(statistics.median(column) for column in zip(*results)))
    server.shutdown()


if __name__ == "__main__":
    main()
