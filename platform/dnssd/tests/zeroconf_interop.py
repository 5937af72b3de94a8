"""Our DNS-SD layer (a Windows program under Wine) against python3-zeroconf,
an independent implementation, on one link: each must see, resolve and
respect what the other announces.

    zeroconf_interop.py RUN PEER_EXE SCRATCH_DIR
"""
import os
import socket
import subprocess
import sys
import threading
import time
import unittest

from zeroconf import ServiceBrowser, ServiceInfo, ServiceStateChange, Zeroconf

RUN, PEER, SCRATCH = sys.argv[1:4]
TYPE = "_dovraorbile._tcp.local."


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Seen:
    """Services a zeroconf browser reports, with the moments they came and went."""

    def __init__(self, zc):
        self.lock = threading.Condition()
        self.added, self.removed = {}, {}
        self.browser = ServiceBrowser(zc, TYPE, handlers=[self.changed])

    def changed(self, zeroconf, service_type, name, state_change):
        with self.lock:
            target = self.added if state_change is ServiceStateChange.Added else self.removed
            if state_change in (ServiceStateChange.Added, ServiceStateChange.Removed):
                target[name] = time.monotonic()
            self.lock.notify_all()

    def wait(self, table, name, seconds):
        with self.lock:
            return self.lock.wait_for(lambda: name in table, seconds)


class Peer:
    """dnssd_peer under Wine in the namespace's own session."""

    def __init__(self, *args, prefix=None):
        self.stop_file = None
        if args[0] == "register":
            self.stop_file = os.path.join(SCRATCH, "stop-%d" % time.monotonic_ns())
            args = args + (windows_path(self.stop_file),)
        env = dict(os.environ, WINEPREFIX=prefix) if prefix else None
        self.process = subprocess.Popen([RUN, PEER] + list(args), stdout=subprocess.PIPE, text=True, env=env)

    def finish(self):
        if self.stop_file:
            open(self.stop_file, "w").close()
        out, _ = self.process.communicate(timeout=90)
        return self.process.returncode, out.splitlines()


class Interop(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zc = Zeroconf(interfaces=["127.0.0.1"])
        cls.seen = Seen(cls.zc)

    @classmethod
    def tearDownClass(cls):
        cls.zc.close()

    def zeroconf_service(self, name, port):
        info = ServiceInfo(TYPE, "%s.%s" % (name, TYPE), port=port, server="zc-host.local.",
                           addresses=[socket.inet_aton("127.0.0.1")])
        self.zc.register_service(info)
        self.addCleanup(self.zc.unregister_service, info)
        return info

    def test_ours_is_seen_and_its_goodbye_removes_it(self):
        full = "Interop Room.%s" % TYPE
        peer = Peer("register", "Interop Room", "7123")
        self.assertTrue(self.seen.wait(self.seen.added, full, 30), "zeroconf never saw our service")
        info = self.zc.get_service_info(TYPE, full, timeout=5000)
        self.assertIsNotNone(info)
        self.assertEqual(info.port, 7123)
        self.assertEqual(info.parsed_addresses(), ["127.0.0.1"])
        code, lines = peer.finish()
        self.assertEqual(code, 0, lines)
        self.assertIn("registered Interop Room _dovraorbile._tcp.local.", lines)
        # A goodbye takes the service away within seconds; without one it
        # would stay for its TTL of 75 minutes.
        self.assertTrue(self.seen.wait(self.seen.removed, full, 10), "no goodbye reached zeroconf")

    def test_name_taken_by_zeroconf_renames_ours(self):
        self.zeroconf_service("Clash Room", 7200)
        peer = Peer("register", "Clash Room", "7201")
        renamed = "Clash Room (2).%s" % TYPE
        self.assertTrue(self.seen.wait(self.seen.added, renamed, 30), "our renamed service never appeared")
        info = self.zc.get_service_info(TYPE, renamed, timeout=5000)
        self.assertEqual(info.port, 7201)
        code, lines = peer.finish()
        self.assertIn("registered Clash Room (2) _dovraorbile._tcp.local.", lines)
        self.assertNotIn("registered Clash Room _dovraorbile._tcp.local.", lines)

    def test_zeroconf_service_is_found_and_resolved(self):
        self.zeroconf_service("Zeroconf Room", 7300)
        code, lines = Peer("find", "Zeroconf Room").finish()
        self.assertEqual(code, 0, lines)
        self.assertIn("add Zeroconf Room _dovraorbile._tcp.local.", lines)
        self.assertIn("resolved Zeroconf Room._dovraorbile._tcp.local. 127.0.0.1 7300", lines)
        self.assertIn("address 127.0.0.1", lines)

    def test_two_wine_hosts_find_each_other(self):
        """Two programs under Wine, each with its own prefix and wineserver,
        as two consoles on one link: both share port 5353."""
        full = "Second Host Room.%s" % TYPE
        peer = Peer("register", "Second Host Room", "7400")
        self.assertTrue(self.seen.wait(self.seen.added, full, 30))
        code, lines = Peer("find", "Second Host Room", prefix=os.path.join(SCRATCH, "second-prefix")).finish()
        self.assertEqual(code, 0, lines)
        self.assertIn("resolved Second Host Room._dovraorbile._tcp.local. 127.0.0.1 7400", lines)
        self.assertIn("address 127.0.0.1", lines)
        peer.finish()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
