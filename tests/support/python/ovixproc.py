"""Helpers shared by the process-level tests in Python: bounded waits and stopping every
process a test started. CMake puts this folder on the tests' PYTHONPATH."""
import time


class Failure(AssertionError):
    """A test expectation that did not hold; the message says which."""


def wait_until(predicate, what, seconds=10.0):
    """Polls predicate until it is true; Failure after seconds."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.02)
    raise Failure("timed out waiting for " + what)


def stop_processes(processes, seconds=10.0):
    """Kills the subprocess.Popen objects that still run and collects every one of them, so no
    process outlives the test, also when it failed half-way."""
    for process in processes:
        if process.poll() is None:
            process.kill()
        try:
            process.communicate(timeout=seconds)
        except Exception:
            pass
