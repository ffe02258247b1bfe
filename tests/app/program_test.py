#!/usr/bin/env python3
"""The built program driven as a user drives it: real X input (xdotool) under a display of its own,
the screen read back through libX11. The check service is played by a local server on the build's
check host; links go to a recording opener put first on PATH.

    xvfb-run -a -s "-screen 0 1280x1024x24" tests/app/program_test.py build/bin/verinox
"""
import ctypes
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse

PROGRAM = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/bin/verinox")
HOST, PORT = "127.0.0.1", 8470
SKIP = 77

PAGE_RGB = 0x1E90FF
# Points of the address check window's client area.
EDIT = (60, 46)
CHECK_BUTTON = (92, 214)
INFO_BUTTON = (225, 214)
CLOSE_BUTTON = (332, 214)
PAGE = (200, 150)
OVERLAY_POINTS = [(40, 170), (200, 175), (370, 80)]
# Points of the info dialog's client area.
HELP_BUTTON = (167, 347)
DIALOG_CLOSE_BUTTON = (271, 347)
WEB_LINK = (170, 244)
MAIL_LINK = (170, 281)


class X:
    """Pixels of the screen through libX11."""

    def __init__(self):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.lib.XOpenDisplay.restype = ctypes.c_void_p
        self.lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.lib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                       ctypes.c_ulong, ctypes.c_int]
        self.lib.XGetImage.restype = ctypes.c_void_p
        self.lib.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.lib.XGetPixel.restype = ctypes.c_ulong
        self.display = self.lib.XOpenDisplay(None)
        self.root = self.lib.XDefaultRootWindow(self.display)

    def region(self, x, y, w, h):
        image = self.lib.XGetImage(self.display, self.root, x, y, w, h, 0xFFFFFFFF, 2)
        return [self.lib.XGetPixel(image, i, j) & 0xFFFFFF for j in range(h) for i in range(w)]

    def pixel(self, x, y):
        return self.region(x, y, 1, 1)[0]


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=False, capture_output=True,
                          text=True).stdout.split()


def wait_for(condition, timeout=10.0, step=0.02):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return condition()


class Service(http.server.BaseHTTPRequestHandler):
    """The check service: answers a check with a blue page that reports the keys and mouse
    buttons it sees back to the service. Addresses with "slow" are answered after two seconds,
    with "hold" after six."""
    checks = []  # (address, time answered)
    events = []  # what the page reported

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        if url.path == "/log":
            Service.events.append(query["e"][0])
            self.reply(b"")
            return
        if url.path != "/tools/verinox/checkmail.php":
            self.send_error(404)
            return
        address = query["email"][0]
        if "hold" in address:
            time.sleep(6)
        elif "slow" in address:
            time.sleep(2)
        script = (b"const log = e => fetch('/log?e=' + encodeURIComponent(e));"
                  b"document.addEventListener('keydown', e => log('key:' + e.key));"
                  b"document.addEventListener('mousedown', e => log('down:' + e.button));"
                  b"document.addEventListener('contextmenu', e => log('menu'));")
        self.reply(b"<html><body style='margin:0;height:100vh;background:#1e90ff'>"
                   b"<script>" + script + b"</script></body></html>")
        Service.checks.append((address, time.monotonic()))

    def reply(self, body):
        try:
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except ConnectionError:  # a page the browser gave up waiting for
            pass

    def log_message(self, *args):
        pass


class Window:
    def __init__(self, wid):
        self.id = wid
        geometry = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", wid))
        self.x, self.y = int(geometry["X"]), int(geometry["Y"])
        self.size = (int(geometry["WIDTH"]), int(geometry["HEIGHT"]))

    def at(self, point):
        return self.x + point[0], self.y + point[1]


def visible_windows(name):
    windows = []
    for wid in xdotool("search", "--onlyvisible", "--name", name):
        try:
            windows.append(Window(wid))
        except KeyError:  # gone between the search and the question
            pass
    return windows


def close_help_browsers():
    for window in visible_windows("[Hh]ilfe"):
        pid = xdotool("getwindowpid", window.id)
        if pid:
            subprocess.run(["kill", pid[0]], check=False)
    wait_for(lambda: not visible_windows("[Hh]ilfe"))


class Program(unittest.TestCase):
    """One run of the program, step by step as a user goes."""

    @classmethod
    def setUpClass(cls):
        cls.x = X()
        cls.server = SERVER
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.tmp = tempfile.mkdtemp()
        cls.opened = os.path.join(cls.tmp, "opened")
        opener = os.path.join(cls.tmp, "xdg-open")
        with open(opener, "w") as script:
            script.write(f"#!/bin/sh\nprintf '%s\\n' \"$1\" >> {cls.opened}\n")
        os.chmod(opener, 0o755)
        env = dict(os.environ, PATH=cls.tmp + os.pathsep + os.environ["PATH"])
        for variable in ("BROWSER", "DEFAULT_BROWSER", "XDG_CURRENT_DESKTOP"):
            env.pop(variable, None)
        cls.program = subprocess.Popen([PROGRAM], env=env, stderr=subprocess.DEVNULL)
        main = wait_for(lambda: [w for w in visible_windows("^Verinox 1.0$") if w.size == (397, 248)],
                        timeout=30)
        assert main, "the address check window appears"
        cls.main = main[0]
        wait_for(lambda: cls.x.pixel(*cls.main.at((5, 5))) != 0, timeout=10)

    @classmethod
    def tearDownClass(cls):
        if cls.program.poll() is None:
            cls.program.kill()
            cls.program.wait()
        close_help_browsers()
        cls.server.shutdown()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.started = time.monotonic()

    def tearDown(self):
        print(f"[{time.monotonic() - self.started:.1f} s] ", end="", file=sys.stderr, flush=True)

    # ---- helpers

    def click(self, window, point, button=1, repeat=1):
        x, y = window.at(point)
        # Without --sync: it waits for a move that never comes when the pointer is there already.
        xdotool("mousemove", x, y)
        time.sleep(0.05)
        xdotool("click", "--repeat", repeat, "--delay", 60, button)

    def keys(self, *names):
        for name in names:
            xdotool("key", "--delay", 30, name)
            time.sleep(0.05)

    def type(self, text):
        xdotool("type", "--delay", 10, text)

    def focus_main(self):
        xdotool("windowfocus", "--sync", self.main.id)
        time.sleep(0.1)

    def info_dialog(self):
        windows = visible_windows("^Verinox 1.0 - Info$")
        return windows[0] if windows else None

    def overlay_up(self):
        return any(self.x.pixel(*self.main.at(p)) != PAGE_RGB for p in OVERLAY_POINTS)

    def enter_address(self, address):
        self.click(self.main, EDIT)
        self.keys("ctrl+a", "BackSpace")
        self.type(address)

    def check_count(self):
        return len(Service.checks)

    def assertAlive(self):
        self.assertIsNone(self.program.poll(), "the program is still running")

    # ---- the steps, in order

    def test_01_enter_in_an_empty_field_shows_the_message(self):
        self.focus_main()
        self.keys("Return")
        boxes = wait_for(lambda: [w for w in visible_windows("^Verinox 1.0$") if w.id != self.main.id])
        self.assertTrue(boxes, "a message box opens")
        self.keys("Return")
        self.assertTrue(wait_for(lambda: len(visible_windows("^Verinox 1.0$")) == 1))
        self.assertEqual(self.check_count(), 0)

    def test_02_typed_address_and_enter_check_and_the_overlay_goes_after_the_delay(self):
        self.enter_address("max.mustermann+test@beispiel.de")
        self.keys("Return")
        self.assertTrue(wait_for(self.check_count))
        self.assertEqual(Service.checks[0][0], "max.mustermann+test@beispiel.de")
        self.assertTrue(self.overlay_up())
        hidden = wait_for(lambda: not self.overlay_up() and time.monotonic(), timeout=10)
        self.assertTrue(hidden, "the overlay goes")
        self.assertGreater(hidden - Service.checks[0][1], 3.3)
        self.assertLess(hidden - Service.checks[0][1], 5.5)

    def test_03_ctrl_enter_starts_no_check(self):
        self.enter_address("strg@beispiel.de")
        self.keys("ctrl+Return")
        time.sleep(0.5)
        self.assertEqual(self.check_count(), 1)

    def test_04_keys_typed_into_the_page_reach_the_page_and_the_program_stays(self):
        Service.events.clear()
        self.click(self.main, PAGE)
        self.type("spe")
        self.assertTrue(wait_for(lambda: {"key:s", "key:p", "key:e"} <= set(Service.events)))
        time.sleep(0.3)
        self.assertAlive()
        self.assertIsNone(self.info_dialog(), "p opens no info dialog")
        self.assertEqual(self.check_count(), 1, "e starts no check")

    def test_05_right_clicks_on_the_page_reach_nothing_and_open_no_menu(self):
        Service.events.clear()
        x, y = self.main.at(PAGE)
        before = self.x.region(x, y, 150, 100)
        self.click(self.main, PAGE, button=3)
        time.sleep(0.4)
        self.click(self.main, PAGE, button=3, repeat=2)
        time.sleep(0.6)
        self.assertEqual(self.x.region(x, y, 150, 100), before, "no menu shows")
        self.click(self.main, PAGE, button=1)
        self.assertTrue(wait_for(lambda: "down:0" in Service.events), "left clicks still arrive")
        self.assertNotIn("down:2", Service.events)
        self.assertNotIn("menu", Service.events)

    def test_06_tab_goes_round_field_check_info_close_and_never_into_the_page(self):
        self.enter_address("tab@beispiel.de")
        self.keys("Tab", "Tab", "Tab", "Tab", "End")
        self.type("x")
        self.keys("Return")
        self.assertTrue(wait_for(lambda: self.check_count() == 2))
        self.assertEqual(Service.checks[-1][0], "tab@beispiel.dex")
        self.assertTrue(wait_for(lambda: not self.overlay_up(), timeout=10))
        self.click(self.main, EDIT)
        self.keys("Tab", "Return")
        self.assertTrue(wait_for(lambda: self.check_count() == 3), "Enter on the check button")
        self.assertTrue(wait_for(lambda: not self.overlay_up(), timeout=10))
        self.click(self.main, EDIT)
        self.keys("Tab", "Tab", "space")
        self.assertTrue(wait_for(self.info_dialog), "Space on the info button")
        self.keys("Escape")
        self.assertTrue(wait_for(lambda: self.info_dialog() is None), "Esc hides the dialog")

    def test_07_info_dialog_buttons_tab_and_escape(self):
        self.focus_main()
        self.click(self.main, INFO_BUTTON)
        dialog = wait_for(self.info_dialog)
        self.assertTrue(dialog)
        self.click(dialog, HELP_BUTTON)
        self.assertTrue(wait_for(lambda: visible_windows("[Hh]ilfe"), timeout=20),
                        "a help browser opens")
        close_help_browsers()
        xdotool("windowfocus", "--sync", dialog.id)
        time.sleep(0.2)
        # From Hilfe the round goes to the tool panel, then to Schließen.
        self.keys("Tab", "Tab", "space")
        self.assertTrue(wait_for(lambda: self.info_dialog() is None), "Tab leads to Schließen")
        self.click(self.main, INFO_BUTTON)
        dialog = wait_for(self.info_dialog)
        self.assertTrue(dialog)
        self.keys("Tab", "Tab", "Tab", "Return")
        self.assertTrue(wait_for(lambda: self.info_dialog() is None),
                        "three tabs go round the dialog and back to Schließen")
        self.click(self.main, INFO_BUTTON)
        dialog = wait_for(self.info_dialog)
        self.click(dialog, DIALOG_CLOSE_BUTTON)
        self.assertTrue(wait_for(lambda: self.info_dialog() is None))

    def test_08_links_open_the_web_site_and_a_mail(self):
        self.click(self.main, INFO_BUTTON)
        dialog = wait_for(self.info_dialog)
        self.assertTrue(dialog)
        self.click(dialog, WEB_LINK)
        self.click(dialog, MAIL_LINK)

        def opened():
            if not os.path.exists(self.opened):
                return []
            with open(self.opened) as log:
                return log.read().split()

        # The opener runs detached: the two may arrive in either order.
        self.assertTrue(wait_for(lambda: len(opened()) == 2))
        self.assertEqual(sorted(urllib.parse.unquote(uri) for uri in opened()),
                         ["http://www.verinox.example.com/",
                          "mailto:info@verinox.example.com?subject=Infos über Softwareentwicklung"])
        self.keys("Escape")
        self.assertTrue(wait_for(lambda: self.info_dialog() is None))

    def test_09_a_second_check_while_the_first_page_loads_waits_for_its_own_page(self):
        self.focus_main()
        self.enter_address("hold@beispiel.de")
        self.keys("Return")
        time.sleep(0.5)
        self.enter_address("slow@beispiel.de")
        self.keys("Return")
        answered = wait_for(lambda: [t for a, t in Service.checks if a == "slow@beispiel.de"])
        self.assertTrue(answered)
        self.assertTrue(self.overlay_up())
        hidden = wait_for(lambda: not self.overlay_up() and time.monotonic(), timeout=10)
        self.assertTrue(hidden)
        self.assertGreater(hidden - answered[0], 3.3, "the delay counts from the second page")

    def test_10_the_close_button_ends_the_program(self):
        self.focus_main()
        self.click(self.main, CLOSE_BUTTON)
        self.assertEqual(self.program.wait(timeout=10), 0)


if __name__ == "__main__":
    try:
        SERVER = http.server.ThreadingHTTPServer((HOST, PORT), Service)
    except OSError as error:
        print(f"the check service's port {PORT} is taken here: {error}", file=sys.stderr)
        sys.exit(SKIP)
    SERVER.daemon_threads = True
    unittest.main(argv=sys.argv[:1], verbosity=2)
