#!/usr/bin/env python3
"""Tests of the stand-in main client "Ovixmain" as a process, in a private runtime folder.

usage: ovixmain_test.py OVIXMAIN PROBE
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile

from ovixproc import stop_processes, wait_until

MAINCLIENT, PROBE = sys.argv[1], sys.argv[2]


def main():
    base = tempfile.mkdtemp(prefix="ovixmain-test-", dir="/tmp")
    env = dict(os.environ, OVIX_RUNTIME_DIR=os.path.join(base, "run"))
    processes = []

    def probe(*args):
        return subprocess.run([PROBE] + list(args), env=env, capture_output=True, timeout=10)

    def start(*args):
        process = subprocess.Popen([MAINCLIENT] + list(args), env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        processes.append(process)
        return process

    try:
        log = os.path.join(base, "client.log")
        with open(log, "w") as f:
            f.write("earlier line\n")
        for end_signal in (signal.SIGTERM, signal.SIGINT):
            client = start("--log", log)
            wait_until(lambda: probe("find", "Ovixmain").returncode == 0, "the window")
            assert probe("exists", "CLIENTOvix").returncode == 0, "the event is held"

            # A second one cannot own the window and says so; the first one goes on.
            second = start()
            _, err = second.communicate(timeout=10)
            assert second.returncode == 1 and "Ovixmain" in err, (second.returncode, err)

            sent = [("10024", "0", "0"), ("3024", "0", "0"), ("7", "18446744073709551615", "-5")]
            for message in sent:
                assert probe("post", "Ovixmain", *message).returncode == 0, message
            lines = ["message " + " ".join(m) for m in sent]
            wait_until(lambda: open(log).read().count("message") >= 3 * (
                1 if end_signal == signal.SIGTERM else 2), "the logged messages")
            client.send_signal(end_signal)
            out, err = client.communicate(timeout=10)
            assert client.returncode == 0, (client.returncode, err)
            assert out.splitlines() == lines, out
            assert probe("exists", "CLIENTOvix").returncode == 1, "event given back"
            assert probe("find", "Ovixmain").returncode == 1, "window given back"
            assert not os.path.exists(os.path.join(base, "run", "windows", "Ovixmain"))
        with open(log) as f:
            assert f.read().splitlines() == ["earlier line"] + lines * 2, "appended"

        for args in (["--bogus"], ["--log"], ["extra"]):
            bad = subprocess.run([MAINCLIENT] + args, env=env, capture_output=True, text=True,
                                 timeout=10)
            assert bad.returncode == 2 and "usage" in bad.stderr, (args, bad.returncode)
        unwritable = subprocess.run([MAINCLIENT, "--log", os.path.join(base, "no/such/file")],
                                    env=env, capture_output=True, text=True, timeout=10)
        assert unwritable.returncode == 1 and "cannot open" in unwritable.stderr
        assert probe("exists", "CLIENTOvix").returncode == 1, "nothing held after a failure"
    finally:
        stop_processes(processes)
        shutil.rmtree(base, ignore_errors=True)
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
