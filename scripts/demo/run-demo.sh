#!/usr/bin/env bash
# The suite's end-to-end demo on 127.0.0.1. Argument: the build folder.
set -euo pipefail
build="${1:?build folder}"
echo "Built programs in $build. (The demo grows as the programs land.)"
