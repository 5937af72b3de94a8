"""Consoles on one link, each under Wine with a prefix, display and
wineserver of its own, and python3-zeroconf beside them: console A shares its
simulated camera, console B (without a camera) finds it, views its picture
and zooms its camera, console C (with a camera of its own) records what it
views of A; zeroconf checks what A announces and registers services of its
own.

    network_sharing.py RUN PROBE PROGRAM_DIR SIMCAM_DLL SCRATCH
"""
import os
import socket
import subprocess
import sys
import threading
import time
import unittest

from zeroconf import ServiceBrowser, ServiceInfo, ServiceStateChange, Zeroconf

RUN, PROBE, PROGRAM_DIR, SIMCAM, SCRATCH = sys.argv[1:6]
TYPE = "_dovraorbile._tcp.local."
ZOOM_IN = 59681
ZOOM_COMMAND = "aa"  # the camera's zoom opcode in its command log
SNAPSHOT = 59658


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Seen:
    """Services a zeroconf browser reports, as they come and go."""

    def __init__(self, zc):
        self.lock = threading.Condition()
        self.added, self.removed = set(), set()
        self.browser = ServiceBrowser(zc, TYPE, handlers=[self.changed])

    def changed(self, zeroconf, service_type, name, state_change):
        with self.lock:
            if state_change is ServiceStateChange.Added:
                self.added.add(name)
                self.removed.discard(name)
            elif state_change is ServiceStateChange.Removed:
                self.removed.add(name)
                self.added.discard(name)
            self.lock.notify_all()

    def wait(self, table, name, seconds):
        with self.lock:
            return self.lock.wait_for(lambda: name in table, seconds)


class Console:
    """orbileap.exe in a prefix of its own, and the probe that drives it."""

    def __init__(self, prefix, camera_log=None, frozen=False):
        self.env = dict(os.environ, WINEPREFIX=prefix, SIMCAM_FROZEN="1" if frozen else "0")
        if camera_log:
            self.env["SIMCAM_COMMAND_LOG"] = windows_path(camera_log)
            assert self.probe("register-camera", windows_path(SIMCAM)).returncode == 0
        self.process = subprocess.Popen([RUN, os.path.join(PROGRAM_DIR, "orbileap.exe")], cwd=PROGRAM_DIR,
                                        env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def probe(self, *args):
        return subprocess.run([RUN, PROBE] + [str(a) for a in args], env=self.env, capture_output=True, text=True,
                              timeout=120)

    def ok(self, *args):
        return self.probe(*args).returncode == 0

    def output(self, *args):
        return self.probe(*args).stdout.strip()

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()


def log_lines(path):
    try:
        with open(path) as log:
            return log.read().splitlines()
    except FileNotFoundError:
        return []


def page_changes(path):
    """The frames of a recording, and how often the page number in their
    lower right corner changes from one to the next (the simulated camera
    numbers its pages)."""
    width, height = 320, 240
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-vf", "scale=%d:%d" % (width, height), "-f",
                          "rawvideo", "-pix_fmt", "gray", "-"], capture_output=True, check=True).stdout
    size = width * height
    numbers = [[raw[start + y * width + x] for y in range(210, 236) for x in range(270, 300)]
               for start in range(0, len(raw) - size + 1, size)]
    changes = sum(sum(abs(a - b) > 64 for a, b in zip(before, after)) > 10
                  for before, after in zip(numbers, numbers[1:]))
    return len(numbers), changes


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.2)
    return condition()


class NetworkSharing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zc = Zeroconf(interfaces=["127.0.0.1"])
        cls.seen = Seen(cls.zc)
        cls.camera_log = os.path.join(SCRATCH, "camera-a.log")
        cls.a = Console(os.path.join(SCRATCH, "prefix-a"), cls.camera_log)
        cls.b = Console(os.path.join(SCRATCH, "prefix-b"))

    @classmethod
    def tearDownClass(cls):
        cls.a.close()
        cls.b.close()
        cls.zc.close()

    def zeroconf_service(self, name, port):
        info = ServiceInfo(TYPE, "%s.%s" % (name, TYPE), port=port, server="zc-host.local.",
                           addresses=[socket.inet_aton("127.0.0.1")])
        self.zc.register_service(info)
        self.addCleanup(self.zc.unregister_service, info)

    def share(self, name):
        self.assertTrue(self.a.ok("share", name), "console A does not share")
        self.addCleanup(self.a.ok, "unshare")

    def test_1_sharing_is_announced_and_its_end_is_said(self):
        full = "Room A.%s" % TYPE
        self.share("Room A")
        self.assertTrue(self.seen.wait(self.seen.added, full, 30), "zeroconf never saw the console's service")
        info = self.zc.get_service_info(TYPE, full, timeout=5000)
        self.assertIsNotNone(info)
        self.assertEqual(info.parsed_addresses(), ["127.0.0.1"])
        # The port is the console's command server: it takes connections.
        with socket.create_connection(("127.0.0.1", info.port), timeout=5):
            pass
        self.assertTrue(self.a.ok("unshare"))
        self.assertTrue(self.seen.wait(self.seen.removed, full, 10), "no goodbye reached zeroconf")

    def test_2_a_name_zeroconf_holds_is_renamed(self):
        self.zeroconf_service("Clash Room", 7200)
        self.share("Clash Room")
        self.assertTrue(self.a.ok("wait-name", "Clash Room (2)"), self.a.output("status"))
        self.assertTrue(self.seen.wait(self.seen.added, "Clash Room (2).%s" % TYPE, 30))

    def test_3_a_zeroconf_service_is_listed_and_goes(self):
        self.zeroconf_service("Zeroconf Room", 7300)
        self.assertTrue(self.b.ok("wait-listed", "Zeroconf Room"))
        self.doCleanups()
        self.assertTrue(self.b.ok("wait-unlisted", "Zeroconf Room"))

    def test_4_b_views_and_steers_a_and_comes_back(self):
        self.assertTrue(self.b.ok("wait-no-camera"), "B starts without a camera")
        self.share("Room A")
        self.assertTrue(self.b.ok("wait-listed", "Room A"))
        self.assertTrue(self.a.ok("wait-unlisted", "Room A"), "a console lists its own service")

        # A says that it shares, blinking; B names the console it views.
        sharing_least, sharing_most, _, _ = map(int, self.a.output("overlay-texts").split())
        self.assertGreater(sharing_most, 30, "A does not say that it shares")
        self.assertLess(sharing_least, 10, "A's sharing notice does not blink")
        self.assertLess(int(self.b.output("overlay-texts").split()[3]), 10, "B names a console before viewing one")
        self.b.ok("choose", "Room A")
        self.assertEqual("Room A", self.b.output("selected"))
        self.assertTrue(self.b.ok("wait-picture"), "B does not show A's camera picture")
        _, _, name_least, _ = map(int, self.b.output("overlay-texts").split())
        self.assertGreater(name_least, 30, "B does not name the console it views")

        before = len(log_lines(self.camera_log))
        self.b.ok("press", ZOOM_IN)
        self.assertTrue(wait_for(lambda: any(line.startswith(ZOOM_COMMAND)
                                             for line in log_lines(self.camera_log)[before:]), 15),
                        "A's camera never got B's zoom")

        # A server that does not answer: B keeps A's picture and its choice.
        self.zeroconf_service("Silent Room", 7301)
        self.assertTrue(self.b.ok("wait-listed", "Silent Room"))
        self.b.ok("choose", "Silent Room")
        # The connect runs once the resolve answers: its end is the status.
        self.assertTrue(wait_for(lambda: self.b.output("status") == "Server unconnectable", 15),
                        "B never said that the silent server cannot be reached")
        self.assertEqual("Room A", self.b.output("selected"))
        self.assertTrue(self.b.ok("wait-picture"))

        # B draws on A's picture: the stroke reaches A's screen. B takes
        # drawing once a picture has said that A allows it: B draws again
        # until then.
        self.a.ok("allow-control")
        red, length = map(int, self.a.output("red-line").split())
        self.assertLess(red, length // 2, "A shows red where the line goes before it is drawn")

        def line_reaches_a():
            self.b.ok("draw-line")
            return wait_for(lambda: int(self.a.output("red-line").split()[0]) >= length // 2, 5)

        self.assertTrue(wait_for(line_reaches_a, 30), "B's line never showed on A")
        # B's "Erase all" clears A's drawing.
        self.assertTrue(self.b.ok("erase-all"), "B has no Erase all button")
        self.assertTrue(wait_for(lambda: int(self.a.output("red-line").split()[0]) < length // 2, 15),
                        "B's Erase all never cleared A's drawing")

        self.b.ok("choose", "this")
        self.assertTrue(self.b.ok("wait-no-camera"), "B's own state is not back")

        self.assertTrue(self.a.ok("unshare"))
        self.assertTrue(self.b.ok("wait-unlisted", "Room A"))

    def test_5_b_viewing_a_snapshots_a_s_page(self):
        self.share("Room A")
        self.assertTrue(self.b.ok("wait-listed", "Room A"))
        self.b.ok("choose", "Room A")
        self.addCleanup(self.b.ok, "choose", "this")
        self.assertTrue(self.b.ok("wait-picture"), "B does not show A's camera picture")
        self.b.ok("press", SNAPSHOT)
        self.assertTrue(self.b.ok("wait-snapshot"), "B's picture window does not show A's snapshot")

    def test_6_a_recording_while_viewing_holds_the_viewed_pictures(self):
        # C's own camera is frozen: its frames keep one page number, while
        # A's pictures count on.
        c = Console(os.path.join(SCRATCH, "prefix-c"), os.path.join(SCRATCH, "camera-c.log"), frozen=True)
        self.addCleanup(c.close)
        self.share("Room A")
        self.assertTrue(c.ok("wait-listed", "Room A"))
        c.ok("choose", "Room A")
        self.addCleanup(c.ok, "choose", "this")
        self.assertEqual("Room A", c.output("selected"))

        path = os.path.join(SCRATCH, "viewed.avi")
        self.assertTrue(c.ok("record", windows_path(path), 4000), "C did not record")
        frames, changes = page_changes(path)
        self.assertGreaterEqual(frames, 10, "the recording holds too few of A's pictures")
        self.assertGreaterEqual(changes, 3, "the recording does not show A's counting pages")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
