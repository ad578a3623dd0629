#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing. Idempotent and
# quiet when everything is there.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
missing=()
while read -r pkg; do
    pkg="${pkg%%#*}"
    pkg="${pkg//[[:space:]]/}"
    [[ -z "$pkg" ]] && continue
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done < "$here/packages.txt"
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
    # On a machine with an init system the packages start their own kamailio (port 5060) and
    # nginx (port 80); the suite runs its own instances, and the agent needs 5060 free.
    for service in kamailio nginx; do
        $sudo service "$service" stop >/dev/null 2>&1 || true
    done
fi
