#!/usr/bin/env python3
"""Process-level tests of the launcher "Ovix", the stand-in main client "Ovixmain" and the
named objects between them. Every scenario runs in its own temporary folder with a private
runtime folder and a program folder holding a copy of the launcher and stand-in programs
(shell scripts that record how they were started). Every process started here is killed and
waited for at the end, also on failure.

usage: launcher_process_test.py SCENARIO
Paths of the built programs come from the environment: OVIX_TEST_LAUNCHER, OVIX_TEST_MAINCLIENT,
OVIX_TEST_PROBE.
"""
import os
import pwd
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

from ovixproc import Failure, stop_processes, wait_until

LAUNCHER = os.environ["OVIX_TEST_LAUNCHER"]
MAINCLIENT = os.environ["OVIX_TEST_MAINCLIENT"]
PROBE = os.environ["OVIX_TEST_PROBE"]

RECORDER = """#!/bin/sh
# Stand-in program: records its name, working folder, show command and pid.
echo "{name} $PWD ${{OVIX_SHOW_COMMAND:-unset}} $$ $#" >> "{record}"
{tail}
"""


def check(condition, message):
    if not condition:
        raise Failure(message)


class World:
    """A temporary folder with a runtime folder, a program folder and the started processes."""

    def __init__(self):
        self.base = tempfile.mkdtemp(prefix="ovix-launcher-test-", dir="/tmp")
        self.runtime = os.path.join(self.base, "run")
        self.programs = os.path.join(self.base, "programs")
        self.cwd = os.path.join(self.base, "elsewhere")
        self.record = os.path.join(self.base, "record")
        self.client_log = os.path.join(self.base, "client.log")
        os.mkdir(self.programs)
        os.mkdir(self.cwd)
        shutil.copy2(LAUNCHER, os.path.join(self.programs, "Ovix"))
        self.env = dict(os.environ)
        self.env["OVIX_RUNTIME_DIR"] = self.runtime
        self.env.pop("OVIX_SHOW_COMMAND", None)
        self.processes = []

    # --- program folder -------------------------------------------------------------
    def stand_in(self, name, tail="exit 0"):
        path = os.path.join(self.programs, name)
        with open(path, "w") as f:
            f.write(RECORDER.format(name=name, record=self.record, tail=tail))
        os.chmod(path, 0o755)

    def real_main_client(self):
        """Ovixmain that records its start and then runs the real stand-in main client."""
        real = os.path.join(self.base, "Ovixmain.real")
        shutil.copy2(MAINCLIENT, real)
        self.stand_in("Ovixmain", tail='exec "{}" --log "{}"'.format(real, self.client_log))

    def make(self, relative, folder=False):
        path = os.path.join(self.programs, relative)
        if folder:
            os.makedirs(path, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(b"PK\x05\x06" + b"\0" * 18)
        return path

    # --- what happened ------------------------------------------------------------------
    def starts(self):
        """[(name, working folder, show command, pid, argument count)] in start order."""
        if not os.path.exists(self.record):
            return []
        with open(self.record) as f:
            return [tuple(line.split()) for line in f if line.strip()]

    def started_names(self):
        return [entry[0] for entry in self.starts()]

    def expect_started(self, names, what=""):
        """The started programs record themselves a moment after the launcher has gone on."""
        try:
            wait_until(lambda: self.started_names() == names, "starts {}".format(names), 10)
        except Failure:
            raise Failure("{}: started {}, expected {}".format(what, self.starts(), names))

    def client_messages(self):
        if not os.path.exists(self.client_log):
            return []
        with open(self.client_log) as f:
            return [line.rstrip("\n") for line in f]

    # --- running things -------------------------------------------------------------------
    def spawn(self, args, **kwargs):
        process = subprocess.Popen(args, env=self.env, cwd=self.cwd, **kwargs)
        self.processes.append(process)
        return process

    def run_launcher(self, timeout=30):
        """Runs the launcher to its end. Its output goes to files, not pipes: the programs it
        starts inherit them and may outlive it."""
        self.launcher_runs = getattr(self, "launcher_runs", 0) + 1
        out_path = os.path.join(self.base, "launcher{}.out".format(self.launcher_runs))
        err_path = os.path.join(self.base, "launcher{}.err".format(self.launcher_runs))
        with open(out_path, "w") as out, open(err_path, "w") as err:
            process = self.spawn([os.path.join(self.programs, "Ovix")], stdout=out, stderr=err)
            process.wait(timeout=timeout)
        with open(out_path) as out, open(err_path) as err:
            return subprocess.CompletedProcess(process.args, process.returncode, out.read(),
                                               err.read())

    def probe(self, *args):
        return subprocess.run([PROBE] + list(args), env=self.env, capture_output=True,
                              text=True, timeout=30)

    def exists(self, name):
        return self.probe("exists", name).returncode == 0

    def window(self, window_class="Ovixmain"):
        return self.probe("find", window_class).returncode == 0

    def hold(self, kind, name):
        """A probe process holding a named object until its stdin closes."""
        process = self.spawn([PROBE, kind, name], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             text=True)
        line = process.stdout.readline().strip()
        check(line in ("created", "existed"), "probe could not take {}: {!r}".format(name, line))
        return process

    def start_main_client(self):
        """The real stand-in main client, started by the test (not by a launcher)."""
        process = self.spawn([MAINCLIENT, "--log", self.client_log], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
        wait_until(lambda: self.window() and self.exists("CLIENTOvix"), "the main client")
        return process

    def recorded_pids(self):
        return [int(entry[3]) for entry in self.starts()]

    def cleanup(self):
        stop_processes(self.processes)
        for pid in self.recorded_pids():
            try:
                os.kill(pid, signal.SIGKILL)
            except (ProcessLookupError, PermissionError):
                pass
        shutil.rmtree(self.base, ignore_errors=True)


def expect_nothing_done(world, result, what):
    check(result.returncode == 0, "{}: exit code {} ({})".format(what, result.returncode,
                                                                  result.stderr))
    check(world.starts() == [], "{}: started {}".format(what, world.starts()))


# --- scenarios ----------------------------------------------------------------------------

def direct_start(world):
    """No package: the main client shown in the launcher's own folder, then the updater hidden;
    the started programs get no arguments and none of the launcher's named objects."""
    world.stand_in("Ovixmain")
    # The updater outlives the launcher for a while, holding whatever it inherited.
    world.stand_in("Pullpatch", tail="exec sleep 20")
    result = world.run_launcher()
    check(result.returncode == 0, "exit code {} ({})".format(result.returncode, result.stderr))
    check(result.stdout == "" and result.stderr == "", "the launcher stays silent")
    world.expect_started(["Ovixmain", "Pullpatch"])
    starts = world.starts()
    check(starts[0][1:3] == (world.cwd, "5"), "main client shown, launcher's folder: {}"
          .format(starts[0]))
    check(starts[1][1:3] == (world.cwd, "0"), "updater hidden: {}".format(starts[1]))
    check(all(s[4] == "0" for s in starts), "no arguments")
    for name in ("pathMutex", "mymutexfordown", "mymutexforovix", "CLIENTOvix"):
        check(not world.exists(name), name + " is gone with the launcher")


def package_variants(world):
    """Things that are not a pending package give a direct start; a real one starts nothing."""
    world.stand_in("Ovixmain")
    world.stand_in("Pullpatch")
    cases = [
        ("Download without update.ovix", [("Download/readme.txt", False)], True),
        ("a folder named update.ovix", [("Download/update.ovix", True)], True),
        ("Update.ovix", [("Download/Update.ovix", False)], True),
        ("update.ovix beside Download", [("update.ovix", False), ("Download", True)], True),
        ("a pending package", [("Download/update.ovix", False)], False),
    ]
    for what, entries, direct in cases:
        shutil.rmtree(os.path.join(world.programs, "Download"), ignore_errors=True)
        for leftover in ("update.ovix",):
            path = os.path.join(world.programs, leftover)
            if os.path.exists(path):
                os.remove(path)
        if os.path.exists(world.record):
            os.remove(world.record)
        for relative, folder in entries:
            world.make(relative, folder)
        result = world.run_launcher()
        check(result.returncode == 0, "{}: exit code {}".format(what, result.returncode))
        names = world.started_names()
        if direct:
            world.expect_started(["Ovixmain", "Pullpatch"], what)
        else:
            check(names == [], "{}: starts {}".format(what, names))
            check(os.path.isfile(os.path.join(world.programs, "Download/update.ovix")),
                  "the package stays")
            check("update package waits" in result.stderr, "the pending package is reported")
        for name in ("pathMutex", "mymutexfordown", "mymutexforovix", "CLIENTOvix"):
            check(not world.exists(name), "{}: {} left behind".format(what, name))


def hand_over(world):
    """A running main client gets 10024 and nothing is started, even with a package pending."""
    world.stand_in("Ovixmain")
    world.stand_in("Pullpatch")
    package = world.make("Download/update.ovix")
    client = world.start_main_client()
    for attempt in range(2):
        result = world.run_launcher()
        expect_nothing_done(world, result, "hand-over")
    wait_until(lambda: len(world.client_messages()) == 2, "two messages")
    check(world.client_messages() == ["message 10024 0 0"] * 2, str(world.client_messages()))
    check(os.path.isfile(package), "the package stays")
    client.send_signal(signal.SIGTERM)
    out, err = client.communicate(timeout=10)
    check(client.returncode == 0, "main client exit code {} ({})".format(client.returncode, err))
    check(out == "message 10024 0 0\n" * 2, "main client printed {!r}".format(out))
    check(not world.exists("CLIENTOvix") and not world.window(), "main client gave all back")


def objects_held_elsewhere(world):
    """Another launcher ("pathMutex") or the updater replacing the launcher ("mymutexforovix"):
    the launcher exits silently, starts nothing and posts nothing to a running main client."""
    world.stand_in("Ovixmain")
    world.stand_in("Pullpatch")
    client = world.start_main_client()
    for name in ("pathMutex", "mymutexforovix"):
        holder = world.hold("mutex", name)
        result = world.run_launcher()
        expect_nothing_done(world, result, name)
        check(result.stdout == "" and result.stderr == "", name + ": silent")
        holder.stdin.close()
        holder.wait(timeout=10)
    time.sleep(0.2)  # a posted message would have arrived by now
    check(world.client_messages() == [], "posted: {}".format(world.client_messages()))
    # Without the holders the next launcher hands over again.
    world.run_launcher()
    wait_until(lambda: world.client_messages() == ["message 10024 0 0"], "hand-over")
    client.send_signal(signal.SIGTERM)
    client.communicate(timeout=10)


def missing_main_client(world):
    """No main client program: its starts fail, there is no wait, the updater still starts."""
    world.stand_in("Pullpatch")
    result = world.run_launcher()
    check(result.returncode == 0, "exit code {}".format(result.returncode))
    world.expect_started(["Pullpatch"], "missing")
    # A main client file that cannot be executed fails the same way.
    os.remove(world.record)
    path = os.path.join(world.programs, "Ovixmain")
    with open(path, "w") as f:
        f.write("not a program\n")
    os.chmod(path, 0o644)
    world.run_launcher()
    world.expect_started(["Pullpatch"], "not executable")


def second_launcher_during_wait(world):
    """The launcher waits up to 8 s on a main client that keeps running. This scenario takes
    those 8 seconds once: a second launcher started during the wait does nothing, the updater
    comes after the wait, and a third launcher then hands over to the main client."""
    world.real_main_client()
    world.stand_in("Pullpatch")
    first = world.spawn([os.path.join(world.programs, "Ovix")])
    wait_until(lambda: world.window(), "the main client's window")
    check(first.poll() is None, "the first launcher is still waiting")
    for name in ("pathMutex", "mymutexfordown", "mymutexforovix", "CLIENTOvix"):
        check(world.exists(name), name + " held during the wait")
    second = world.run_launcher()
    check(second.returncode == 0, "second launcher exit code {}".format(second.returncode))
    check(world.started_names() == ["Ovixmain"], "during the wait: {}".format(world.starts()))
    check(first.poll() is None, "the second launcher ended before the wait did")
    first.wait(timeout=20)
    check(first.returncode == 0, "first launcher exit code {}".format(first.returncode))
    world.expect_started(["Ovixmain", "Pullpatch"], "after the wait")
    check(world.client_messages() == [], "nothing posted: {}".format(world.client_messages()))
    # The main client outlives the launcher; the launcher's mutexes went with the launcher.
    check(not world.exists("pathMutex"), "pathMutex released at launcher exit")
    check(world.exists("CLIENTOvix"), "the main client keeps its event")
    third = world.run_launcher()
    check(third.returncode == 0, "third launcher exit code {}".format(third.returncode))
    wait_until(lambda: world.client_messages() == ["message 10024 0 0"], "hand-over")
    check(world.started_names() == ["Ovixmain", "Pullpatch"], "third launcher started nothing")
    client_pid = int(world.starts()[0][3])
    os.kill(client_pid, signal.SIGTERM)
    wait_until(lambda: not world.window() and not world.exists("CLIENTOvix"),
               "the main client to give everything back")


def crashed_holders(world):
    """SIGKILLed holders leave nothing behind: objects vanish, and a stale window socket does
    not keep a new main client from owning the window."""
    holder_m = world.hold("mutex", "mymutexforovix")
    holder_e = world.hold("event", "CLIENTOvix")
    check(world.exists("mymutexforovix") and world.exists("CLIENTOvix"), "held")
    for holder in (holder_m, holder_e):
        holder.kill()
        holder.wait(timeout=10)
    check(not world.exists("mymutexforovix"), "mutex gone after SIGKILL")
    check(not world.exists("CLIENTOvix"), "event gone after SIGKILL")

    client = world.start_main_client()
    client.kill()
    client.wait(timeout=10)
    socket_path = os.path.join(world.runtime, "windows", "Ovixmain")
    check(stat.S_ISSOCK(os.lstat(socket_path).st_mode), "the crashed client left its socket")
    check(not world.window(), "a stale socket is no window")
    check(not world.exists("CLIENTOvix"), "its event is gone")
    check(world.probe("post", "Ovixmain", "10024", "0", "0").returncode != 0,
          "no post to a stale socket")

    # A launcher now sees no main client and starts one; the new one replaces the socket.
    world.real_main_client()
    world.stand_in("Pullpatch")
    launcher = world.spawn([os.path.join(world.programs, "Ovix")])
    wait_until(lambda: world.window(), "the new main client")
    check(world.probe("post", "Ovixmain", "3024", "0", "0").returncode == 0, "post")
    wait_until(lambda: world.client_messages() == ["message 3024 0 0"], "3024 delivered")
    os.kill(int(world.starts()[0][3]), signal.SIGTERM)  # the wait ends early
    launcher.wait(timeout=20)
    world.expect_started(["Ovixmain", "Pullpatch"], "after the crash")


def mutex_race(world):
    """Two processes create the same mutex at the same moment: exactly one creates it."""
    rounds = 40
    for round_number in range(rounds):
        go = os.path.join(world.base, "go{}".format(round_number))
        racers = [world.spawn([PROBE, "mutex", "DownMutex", "--go", go], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, text=True) for _ in range(2)]
        time.sleep(0.01)
        open(go, "w").close()
        results = sorted(racer.stdout.readline().strip() for racer in racers)
        check(results == ["created", "existed"],
              "round {}: {}".format(round_number, results))
        for racer in racers:
            racer.stdin.close()
            racer.wait(timeout=10)
        check(not world.exists("DownMutex"), "round {}: released".format(round_number))


def refused_runtime_folder(world):
    """A runtime folder with loose permissions, or owned by another user, is refused with a
    message on stderr; the launcher starts nothing and the main client does not run."""
    world.stand_in("Ovixmain")
    world.stand_in("Pullpatch")
    os.mkdir(world.runtime, 0o700)
    os.chmod(world.runtime, 0o755)
    cases = [("loose permissions", "mode 0755")]
    if os.geteuid() == 0:
        cases.append(("another user's folder", "owned by uid"))
    for what, reason in cases:
        if what == "another user's folder":
            os.chmod(world.runtime, 0o700)
            nobody = pwd.getpwnam("nobody")
            os.chown(world.runtime, nobody.pw_uid, nobody.pw_gid)
        result = world.run_launcher()
        check(result.returncode == 1, "{}: exit code {}".format(what, result.returncode))
        check("runtime folder " + world.runtime + " refused" in result.stderr
              and reason in result.stderr, "{}: stderr {!r}".format(what, result.stderr))
        check(world.starts() == [], "{}: started {}".format(what, world.starts()))
        client = subprocess.run([MAINCLIENT], env=world.env, capture_output=True, text=True,
                                timeout=10)
        check(client.returncode == 1 and "refused" in client.stderr,
              "{}: main client {} {!r}".format(what, client.returncode, client.stderr))
    if os.geteuid() != 0:
        print("note: not root, the other-user case was skipped")


SCENARIOS = {f.__name__: f for f in (direct_start, package_variants, hand_over,
                                     objects_held_elsewhere, missing_main_client,
                                     second_launcher_during_wait, crashed_holders, mutex_race,
                                     refused_runtime_folder)}


def main():
    if len(sys.argv) != 2 or sys.argv[1] not in SCENARIOS:
        print("usage: {} {{{}}}".format(sys.argv[0], ",".join(SCENARIOS)), file=sys.stderr)
        return 2
    world = World()
    try:
        SCENARIOS[sys.argv[1]](world)
    except Failure as failure:
        print("FAILED: {}".format(failure), file=sys.stderr)
        print("starts: {}".format(world.starts()), file=sys.stderr)
        return 1
    finally:
        world.cleanup()
    print("ok: " + sys.argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
