"""The tunnel agent as the main client uses it: the stand-in main client (Ovixmain --agent)
creates the agent's automation object, which starts a new agent process, and drives it.
Every agent gets OVIX_LOCAL_ADDRESSES=127.0.0.1, its own OVIX_CONFIG_DIR and the offscreen
window platform; every process started here is stopped again, also when a case fails."""

import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "agent-e2e"))
import relaypeers as rp  # noqa: E402

AGENT = os.environ.get("OVIX_AGENT", "")
OVIXMAIN = os.environ.get("OVIX_MAIN", "")
TUNNELSERVER = os.environ.get("OVIX_TUNNELSERVER", "")

OLE_FAILED = "OLE 程序初始化失败。请确认 OLE 库程序是正确的版本。"
CONNECTED = "连接到 TS 服务器成功！"


def pid_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A zombie is not alive for our purposes.
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


def wait_gone(pid, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if not pid_alive(pid):
            return True
        time.sleep(0.05)
    return False


def udp_port_free(port):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        try:
            s.bind((rp.LOOPBACK, port))
            return True
        except OSError:
            return False


class AgentCase(unittest.TestCase):
    """A temporary settings folder and environment per case, and clean-ups."""

    def setUp(self):
        for name, path in (("OVIX_AGENT", AGENT), ("OVIX_MAIN", OVIXMAIN)):
            if not os.path.exists(path):
                self.fail(name + " does not name a program")
        self.folder = tempfile.mkdtemp(prefix="ovix-agentauto-")
        self.env = dict(os.environ)
        self.env.update({"OVIX_CONFIG_DIR": self.folder, "OVIX_LOCAL_ADDRESSES": rp.LOOPBACK,
                         "QT_QPA_PLATFORM": "offscreen"})
        self.cleanups = [lambda: shutil.rmtree(self.folder, ignore_errors=True)]
        self.agent_pids = []

    def tearDown(self):
        for pid in self.agent_pids:  # agents that outlived their client
            if pid_alive(pid):
                os.kill(pid, signal.SIGKILL)
        for cleanup in reversed(self.cleanups):
            cleanup()

    @property
    def registry(self):
        return os.path.join(self.folder, "registry.ini")

    def run_agent(self, args, env=None, timeout=20):
        return subprocess.run([AGENT] + args, env=env or self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)

    def register(self):
        result = self.run_agent(["-reg"])
        self.assertEqual(0, result.returncode, result.stderr)

    def ovixmain(self, server, *extra):
        process = rp.Process("Ovixmain", [OVIXMAIN, "--agent", server] + list(extra),
                             env=self.env)
        self.cleanups.append(process.stop)
        return process

    def start_ovixmain(self, server, *extra):
        """Ovixmain with a started agent: (process, agent pid, (sip host, sip port))."""
        process = self.ovixmain(server, *extra)
        _, m = process.wait_for(r"^agent created (\d+)$", 30.0)
        pid = int(m.group(1))
        self.agent_pids.append(pid)
        _, m = process.wait_for(r"^agent sip (\S+) (\d+)$", 10.0)
        sip = (m.group(1), int(m.group(2)))
        rp.require_loopback(sip[0])
        return process, pid, sip


class StartupTest(AgentCase):
    def test_register_only_writes_the_registry_and_ends(self):
        started = time.monotonic()
        self.register()
        self.assertLess(time.monotonic() - started, 15)
        with open(self.registry, encoding="utf-8") as f:
            text = f.read()
        self.assertIn("[OvixAgent.Application]", text)
        self.assertIn("CLSID={51870C2B-1D11-494E-861B-F3A96BB2F8BA}", text)
        self.assertIn("LocalServer32=" + os.path.realpath(AGENT), text)

    def test_automation_option_without_a_channel_reports_the_start_up_failure(self):
        for option in ("-Automation", "/automation", "-EMBEDDING"):
            result = self.run_agent([option])
            self.assertEqual(1, result.returncode, option)
            self.assertIn(OLE_FAILED, result.stderr.decode("utf-8"), option)
            self.assertFalse(os.path.exists(self.registry), "an automation start registered")

    def test_start_without_a_display_says_so(self):
        env = dict(self.env)
        for name in ("QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        result = self.run_agent([], env=env)
        self.assertEqual(1, result.returncode)
        self.assertIn("no display", result.stderr.decode("utf-8"))
        self.assertTrue(os.path.exists(self.registry), "an ordinary start refreshes it")

    def test_bad_registries_give_clear_errors(self):
        cases = [
            ("no registry", None, "0x800401F3"),
            ("garbage file", b"\x00\xff[[[\n=\n\x01", "0x800401F3"),
            ("class id not a GUID", b"[OvixAgent.Application]\nCLSID=hello\n", "0x80040150"),
            ("no server program",
             b"[OvixAgent.Application]\nCLSID={51870C2B-1D11-494E-861B-F3A96BB2F8BA}\n",
             "0x80040154"),
            ("server program missing",
             ("[OvixAgent.Application]\nCLSID={51870C2B-1D11-494E-861B-F3A96BB2F8BA}\n"
              "[CLSID\\{51870C2B-1D11-494E-861B-F3A96BB2F8BA}]\nLocalServer32=%s/gone\n"
              % self.folder).encode(), "missing or not executable"),
            ("server program not an agent",
             ("[OvixAgent.Application]\nCLSID={51870C2B-1D11-494E-861B-F3A96BB2F8BA}\n"
              "[CLSID\\{51870C2B-1D11-494E-861B-F3A96BB2F8BA}]\nLocalServer32=/bin/true\n")
             .encode(), "ended during start-up"),
        ]
        for name, content, expected in cases:
            with self.subTest(name):
                if os.path.exists(self.registry):
                    os.remove(self.registry)
                if content is not None:
                    with open(self.registry, "wb") as f:
                        f.write(content)
                result = subprocess.run([OVIXMAIN, "--agent", "127.0.0.1:9"], env=self.env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, timeout=30)
                self.assertEqual(1, result.returncode)
                error = result.stderr.decode("utf-8")
                self.assertIn("cannot create the agent object", error)
                self.assertIn(expected, error)

    def test_garbage_on_a_real_agents_channel(self):
        for garbage in (b"\xff\xff\xff\xff", b"\x05\x00\x00\x00\x07abcd",
                        struct.pack("<I", 3) + b"\x01\x00\x00"):
            with self.subTest(garbage=garbage):
                ours, theirs = socket.socketpair()
                env = dict(self.env)
                env["OVIX_AUTOMATION_FD"] = str(theirs.fileno())
                agent = subprocess.Popen([AGENT, "-Automation"], env=env,
                                         pass_fds=[theirs.fileno()], stdout=subprocess.DEVNULL,
                                         stderr=subprocess.PIPE)
                theirs.close()
                try:
                    ours.settimeout(20)
                    self.assertEqual(b"\x01\x00\x00\x00\x01", ours.recv(5))  # ready
                    ours.sendall(garbage)
                    ours.settimeout(10)
                    reply = ours.recv(4096)
                    self.assertEqual(4, reply[4], "no error message: %r" % reply)
                    self.assertEqual(0, agent.wait(10))
                    self.assertIn("malformed", agent.stderr.read().decode())
                finally:
                    ours.close()
                    if agent.poll() is None:
                        agent.kill()
                        agent.wait()
                    agent.stderr.close()


class OvixmainAgentTest(AgentCase):
    def setUp(self):
        super().setUp()
        self.register()
        self.server = "%s:%d" % (rp.LOOPBACK, rp.free_tcp_port())  # nobody listens

    def test_closing_stdin_stops_and_releases_and_the_agent_ends(self):
        process, pid, sip = self.start_ovixmain(self.server)
        self.assertTrue(pid_alive(pid))
        self.assertFalse(udp_port_free(sip[1]))
        process.proc.stdin.write(b"disconnect\n")
        process.proc.stdin.flush()
        process.wait_for(r"^agent disconnect 0$")
        process.close_stdin()
        process.wait_for(r"^agent stop 0$", 10.0)
        process.wait_for(r"^agent released$", 10.0)
        self.assertEqual(0, process.proc.wait(10))
        self.assertTrue(wait_gone(pid), "the agent outlived its released object")
        self.assertTrue(udp_port_free(sip[1]))

    def test_sigterm_ends_the_client_and_its_agent(self):
        process, pid, _ = self.start_ovixmain(self.server, "--show")
        process.signal(signal.SIGTERM)
        process.wait_for(r"^agent released$", 10.0)
        self.assertEqual(0, process.proc.wait(10))
        self.assertTrue(wait_gone(pid))

    def test_two_clients_get_two_agents(self):
        first, first_pid, first_sip = self.start_ovixmain(self.server)
        second, second_pid, second_sip = self.start_ovixmain(self.server)
        self.assertNotEqual(first_pid, second_pid)
        self.assertNotEqual(first_sip[1], second_sip[1])
        first.close_stdin()
        self.assertEqual(0, first.proc.wait(10))
        self.assertTrue(wait_gone(first_pid))
        self.assertTrue(pid_alive(second_pid))

    def test_a_dead_agent_gives_the_client_an_error_not_a_hang(self):
        process, pid, _ = self.start_ovixmain(self.server)
        os.kill(pid, signal.SIGKILL)
        process.proc.stdin.write(b"sip\n")
        process.proc.stdin.flush()
        process.wait_for(r"^agent error GetSIPAddr failed: 0x80010108", 10.0)
        self.assertEqual(1, process.proc.wait(10))


@unittest.skipIf(rp.kamailio_missing(), rp.kamailio_missing() or "")
class EndToEndTest(AgentCase):
    """sipsak plays the softphone, kamailio the SIP server behind the stand-in tunnel server,
    and Ovixmain drives the agent through automation."""

    def setUp(self):
        super().setUp()
        if not os.path.exists(TUNNELSERVER):
            self.skipTest("the stand-in tunnel server is not built")
        if shutil.which("sipsak") is None:
            self.skipTest("sipsak is not installed (apt-get install sipsak)")
        self.register()
        kamailio = rp.Kamailio()
        self.cleanups.append(kamailio.stop)
        self.kamailio = kamailio
        server = rp.TunnelServer(TUNNELSERVER, 0, sip=kamailio.address)
        self.cleanups.append(server.stop)
        self.tunnel = server

    def sipsak(self, target):
        argv = ["sipsak", "-S", "-vv", "-H", rp.LOOPBACK, "-s", "sip:ping@%s:%d" % target]
        result = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=30)
        return result.returncode, result.stdout.decode("utf-8", "replace")

    def test_options_from_sipsak_reach_kamailio_and_come_back(self):
        process, pid, sip = self.start_ovixmain("%s:%d" % (rp.LOOPBACK, self.tunnel.port))
        code, output = self.sipsak(sip)
        self.assertEqual(0, code, output)
        self.assertIn("SIP/2.0 200 OK", output)
        self.assertIn("Server: kamailio", output)
        self.tunnel.process.wait_for(r"agent 1 connected from ")
        self.kamailio.process.wait_for(r"kamailio got OPTIONS from ")

        # A dropped tunnel is reopened by the next SIP.
        process.proc.stdin.write(b"disconnect\n")
        process.proc.stdin.flush()
        process.wait_for(r"^agent disconnect 0$")
        code, output = self.sipsak(sip)
        self.assertEqual(0, code, output)
        self.tunnel.process.wait_for(r"agent 2 connected from ", 10.0)

        process.close_stdin()
        process.wait_for(r"^agent released$", 10.0)
        self.assertTrue(wait_gone(pid))
        counts = self.tunnel.counts()
        self.assertGreaterEqual(counts["sip_from_agent"], 2)
        self.assertEqual(counts["sip_from_agent"], counts["sip_to_agent"])


if __name__ == "__main__":
    unittest.main()
