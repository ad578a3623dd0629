#!/usr/bin/env bash
# The suite's end-to-end demo on 127.0.0.1, one act per program. Argument: the build folder.
#   1. The main client drives the tunnel agent through its automation object; a real SIP
#      request travels softphone -> agent -> tunnel -> SIP server and its answer comes back.
#   2. The updater fetches a package and the new launcher from nginx and tells the main client.
#   3. The launcher starts the main client and the updater, then hands over to the running one.
set -euo pipefail
build="$(cd "${1:?usage: run-demo.sh BUILD_FOLDER}" && pwd)"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

act() {
    echo
    echo "=================== $1 ==================="
}

act "1. Tunnel agent driven by the main client"
"$here/agent.sh" "$build"
act "2. Update check against nginx"
"$here/update.sh" "$build"
act "3. Launcher start-up and hand-over"
"$here/launcher.sh" "$build"
echo
echo "Demo finished: agent, updater and launcher all did their part."
