#!/usr/bin/env python3
"""Checks that a shared library exports exactly the given names (defined dynamic symbols).

usage: check_exports.py LIBRARY NAME...
"""
import subprocess
import sys


def defined_dynamic_symbols(library):
    out = subprocess.run(["nm", "-D", "--defined-only", library], check=True,
                         capture_output=True, text=True, timeout=30).stdout
    names = set()
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 3:
            names.add(fields[2].split("@")[0])
    return names


def main():
    if len(sys.argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    library, expected = sys.argv[1], set(sys.argv[2:])
    actual = defined_dynamic_symbols(library)
    extra, missing = sorted(actual - expected), sorted(expected - actual)
    if extra or missing:
        print(f"{library}: unexpected exports {extra}, missing exports {missing}", file=sys.stderr)
        return 1
    print(f"{library}: exports exactly {sorted(actual)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
