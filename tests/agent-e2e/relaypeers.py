"""Processes and sockets for the agent's end-to-end tests: the agent driver, the stand-in
tunnel server, kamailio and a softphone socket, all on 127.0.0.1. Every process started here
is stopped (terminate, wait, kill) by the ProcessGroup that started it."""

import glob
import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import threading
import time

LOOPBACK = "127.0.0.1"
DISCONNECT_LINE = "与 TS 服务器的连接已经断开！"


def free_port(kind=socket.SOCK_DGRAM):
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind((LOOPBACK, 0))
        return s.getsockname()[1]


def free_tcp_port():
    return free_port(socket.SOCK_STREAM)


def require_loopback(host):
    if not host.startswith("127."):
        raise RuntimeError("refusing to talk to %s: the tests use 127.0.0.0/8 only" % host)


class Process:
    """A started program whose standard output is collected line by line."""

    def __init__(self, name, argv, env=None, new_session=False):
        self.name = name
        self.argv = argv
        self.lines = []
        self._cond = threading.Condition()
        self.proc = subprocess.Popen(
            argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            env=env, start_new_session=new_session)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for raw in self.proc.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            with self._cond:
                self.lines.append(line)
                self._cond.notify_all()
        with self._cond:
            self._cond.notify_all()

    def wait_for(self, pattern, timeout=5.0, start=0):
        """Index and match of the first line at or after start that matches pattern."""
        regex = re.compile(pattern)
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                for i in range(start, len(self.lines)):
                    m = regex.search(self.lines[i])
                    if m:
                        return i, m
                left = deadline - time.monotonic()
                if left <= 0:
                    raise AssertionError("%s printed no line matching %r within %.1f s; output:\n%s"
                                         % (self.name, pattern, timeout, self.output()))
                self._cond.wait(left)

    def count(self, text):
        with self._cond:
            return sum(1 for line in self.lines if text in line)

    def output(self):
        with self._cond:
            return "\n".join(self.lines)

    def line_count(self):
        with self._cond:
            return len(self.lines)

    def signal(self, signo):
        if self.proc.poll() is None:
            os.kill(self.proc.pid, signo)

    def stop(self, timeout=10.0):
        """SIGTERM, wait, then SIGKILL; returns the exit code."""
        if self.proc.poll() is None:
            self._kill(signal.SIGTERM)
            try:
                self.proc.wait(timeout)
            except subprocess.TimeoutExpired:
                self._kill(signal.SIGKILL)
                self.proc.wait(5)
        self.close_stdin()
        self._reader.join(5)
        self.proc.stdout.close()
        return self.proc.returncode

    def close_stdin(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass

    def _kill(self, signo):
        try:
            os.kill(self.proc.pid, signo)
        except ProcessLookupError:
            pass


class SessionProcess(Process):
    """A program that starts helpers of its own (kamailio): signals go to its whole group."""

    def __init__(self, name, argv, env=None):
        super().__init__(name, argv, env=env, new_session=True)

    def _kill(self, signo):
        try:
            os.killpg(self.proc.pid, signo)
        except ProcessLookupError:
            pass


class TunnelServer:
    def __init__(self, path, port, sip=None, rtp=None, echo=False):
        argv = [path, "--listen", "%s:%d" % (LOOPBACK, port)]
        if sip:
            argv += ["--sip", "%s:%d" % sip]
        if rtp:
            argv += ["--rtp", "%s:%d" % rtp]
        if echo:
            argv.append("--echo")
        self.process = Process("tunnelserver", argv)
        try:
            _, m = self.process.wait_for(r"^tunnelserver listening (\S+) (\d+)$")
        except BaseException:
            self.process.stop()
            raise
        self.port = int(m.group(2))

    def counts(self, timeout=5.0):
        """Asks for the frame counts (SIGUSR1) and returns them as a dict."""
        start = self.process.line_count()
        self.process.signal(signal.SIGUSR1)
        _, m = self.process.wait_for(r"^tunnelserver counts (.*)$", timeout, start)
        return dict((k, int(v)) for k, v in (p.split("=") for p in m.group(1).split()))

    def stop(self):
        return self.process.stop()


class Agent:
    """The agent core run by the agent driver; its log lines arrive on standard output."""

    def __init__(self, path, server):
        env = dict(os.environ)
        env["OVIX_LOCAL_ADDRESSES"] = LOOPBACK
        self.process = Process("agentdriver", [path, "--server", server], env=env)
        try:
            _, m = self.process.wait_for(r"^agent sip (\S+) (\d+)$", 10.0)
            self.sip = (m.group(1), int(m.group(2)))
            _, m = self.process.wait_for(r"^agent rtp (\S+) (\d+)$", 10.0)
            self.rtp = (m.group(1), int(m.group(2)))
            require_loopback(self.sip[0])
            require_loopback(self.rtp[0])
        except BaseException:
            self.process.stop()
            raise

    def stop(self):
        return self.process.stop()


def _kamailio_modules():
    found = sorted(glob.glob("/usr/lib/*/kamailio/modules/sl.so") +
                   glob.glob("/usr/lib/kamailio/modules/sl.so"))
    return os.path.dirname(found[0]) + "/" if found else ""


KAMAILIO_MODULES = _kamailio_modules()


def kamailio_missing():
    """Why kamailio cannot run here, or None."""
    if shutil.which("kamailio") is None:
        return "kamailio is not installed (apt-get install kamailio)"
    if not KAMAILIO_MODULES:
        return "kamailio modules (sl.so) not found under /usr/lib"
    return None


class Kamailio:
    """kamailio in the foreground on a free UDP port of 127.0.0.1, with its configuration,
    pid file and runtime files in a temporary folder."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="ovix-kamailio-")
        self.port = free_port()
        config = os.path.join(self.folder, "kamailio.cfg")
        with open(os.environ["OVIX_KAMAILIO_CONFIG"]) as f:
            text = f.read()
        with open(config, "w") as f:
            f.write(text.replace("@PORT@", str(self.port)).replace("@MODULES@", KAMAILIO_MODULES))
        self.process = SessionProcess("kamailio", [
            "kamailio", "-f", config, "-DD", "-E", "-Y", self.folder,
            "-P", os.path.join(self.folder, "kamailio.pid"), "-w", self.folder])
        self._wait_ready()

    def _wait_ready(self):
        deadline = time.monotonic() + 10.0
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
            s.bind((LOOPBACK, 0))
            while time.monotonic() < deadline:
                if self.process.proc.poll() is not None:
                    break
                s.sendto(options_request(s.getsockname(), (LOOPBACK, self.port), "ready"),
                         (LOOPBACK, self.port))
                r, _, _ = select.select([s], [], [], 0.2)
                if r and s.recv(4096).startswith(b"SIP/2.0 200"):
                    return
        self.stop()
        raise AssertionError("kamailio did not answer OPTIONS:\n" + self.process.output())

    @property
    def address(self):
        return (LOOPBACK, self.port)

    def stop(self):
        self.process.stop()
        shutil.rmtree(self.folder, ignore_errors=True)


def options_request(local, target, call_id):
    """A SIP OPTIONS request from local (host, port) to target (host, port)."""
    text = ("OPTIONS sip:ping@{th}:{tp} SIP/2.0\r\n"
            "Via: SIP/2.0/UDP {lh}:{lp};branch=z9hG4bK{cid};rport\r\n"
            "Max-Forwards: 70\r\n"
            "From: <sip:test@{lh}:{lp}>;tag={cid}\r\n"
            "To: <sip:ping@{th}:{tp}>\r\n"
            "Call-ID: {cid}@{lh}\r\n"
            "CSeq: 1 OPTIONS\r\n"
            "Content-Length: 0\r\n\r\n").format(th=target[0], tp=target[1], lh=local[0],
                                                lp=local[1], cid=call_id)
    return text.encode()


class UdpPeer:
    """A UDP socket on 127.0.0.1 playing the softphone or the far side."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((LOOPBACK, 0))

    @property
    def address(self):
        return self.sock.getsockname()

    def send(self, data, target):
        require_loopback(target[0])
        self.sock.sendto(data, target)

    def receive(self, timeout=3.0):
        """(bytes, source) or None after timeout."""
        r, _, _ = select.select([self.sock], [], [], timeout)
        if not r:
            return None
        return self.sock.recvfrom(65536)

    def close(self):
        self.sock.close()


def frame(kind, payload, port=0):
    """One tunnel frame: Length (3 + payload), Type, Port, payload."""
    return struct.pack(">HBH", 3 + len(payload), kind, port) + payload


def read_frame(sock, timeout=3.0):
    """(type, port, payload) of the next frame on a stream socket, or None at a time-out."""
    header = _read_exact(sock, 5, timeout)
    if header is None:
        return None
    length, kind, port = struct.unpack(">HBH", header)
    payload = _read_exact(sock, length - 3, timeout) if length > 3 else b""
    return kind, port, payload


def _read_exact(sock, n, timeout):
    data = b""
    deadline = time.monotonic() + timeout
    while len(data) < n:
        left = deadline - time.monotonic()
        if left <= 0:
            return None
        r, _, _ = select.select([sock], [], [], left)
        if not r:
            return None
        chunk = sock.recv(n - len(data))
        if not chunk:
            return None
        data += chunk
    return data


class Cleanups:
    """Stops what a test started, last first, and then checks that every program of the
    suite ended cleanly (exit code 0: no sanitizer report, no crash)."""

    def __init__(self):
        self._steps = []

    def add(self, step):
        self._steps.append(step)

    def add_program(self, holder):
        self._steps.append(lambda: (holder.process.name, holder.stop(), holder.process))

    def run(self):
        failures = []
        for step in reversed(self._steps):
            result = step()
            if isinstance(result, tuple) and result[1] != 0:
                name, code, process = result
                failures.append("%s ended with %s:\n%s" % (name, code, process.output()[-4000:]))
        self._steps = []
        return failures
