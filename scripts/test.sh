#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite in the default build,
# under AddressSanitizer + UndefinedBehaviorSanitizer, and under ThreadSanitizer.
# OVIX_TEST_PRESETS picks other presets (for instance OVIX_TEST_PRESETS=default for a quick run);
# extra arguments go to ctest.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
"$root/scripts/deps.sh"
presets="${OVIX_TEST_PRESETS:-default asan tsan}"
for preset in $presets; do
    echo "=== $preset: configure, build, test"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
    ctest --preset "$preset" -j"$(nproc)" "$@"
done
