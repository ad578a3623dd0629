#!/usr/bin/env bash
# Installs what is missing, builds the suite and runs its end-to-end demo on 127.0.0.1.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
"$root/scripts/deps.sh"
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"
exec "$root/scripts/demo/run-demo.sh" "$root/build/default"
