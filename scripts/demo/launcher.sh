#!/usr/bin/env bash
# Demo of the launcher "Ovix": a temporary program folder with the launcher, the stand-in main
# client "Ovixmain" and a stand-in updater "Pullpatch". The first start runs the main client
# (and waits up to 8 s on it) and then the updater; the second start finds the running main
# client and posts 10024 to its window instead of starting anything.
# usage: scripts/demo/launcher.sh BUILD_FOLDER   (BUILD_FOLDER holds launcher/Ovix etc.)
set -euo pipefail

build="$(cd "${1:?usage: $0 BUILD_FOLDER}" && pwd)"
demo_name=launcher.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
launcher="$build/launcher/Ovix"
mainclient="$build/tools/ovixmain/Ovixmain"
probe="$build/platform/ipc/probe/ovix_ipc_probe"
demo_require_programs "$launcher" "$mainclient" "$probe"

demo="$(mktemp -d /tmp/ovix-launcher-demo-XXXXXX)"
programs="$demo/programs"
export OVIX_RUNTIME_DIR="$demo/run"
client_pid_file="$demo/mainclient.pid"

cleanup() {
    if [[ -s "$client_pid_file" ]]; then
        local pid
        pid="$(cat "$client_pid_file")"
        if kill -0 "$pid" 2>/dev/null; then
            kill -TERM "$pid"
            demo_wait_for_exit "$pid" 50 || kill -KILL "$pid" 2>/dev/null || true
        fi
    fi
    rm -rf "$demo"
}
trap cleanup EXIT

mkdir -p "$programs"
cp "$launcher" "$programs/Ovix"
cp "$mainclient" "$demo/Ovixmain.program"
# The main client as the launcher starts it: it notes its pid (so this demo can stop it)
# and then is the real stand-in main client, which prints every message it receives.
cat > "$programs/Ovixmain" <<SCRIPT
#!/bin/sh
echo "  [Ovixmain] started, show command \$OVIX_SHOW_COMMAND, working folder \$PWD"
echo \$\$ > "$client_pid_file"
exec "$demo/Ovixmain.program" --log "$demo/mainclient.log"
SCRIPT
cat > "$programs/Pullpatch" <<SCRIPT
#!/bin/sh
echo "  [Pullpatch] started, show command \$OVIX_SHOW_COMMAND, working folder \$PWD"
SCRIPT
chmod 755 "$programs/Ovixmain" "$programs/Pullpatch"

objects() {
    local name state
    for name in pathMutex mymutexfordown mymutexforovix CLIENTOvix; do
        if "$probe" exists "$name"; then state=held; else state=absent; fi
        printf '    %-15s %s\n' "$name" "$state"
    done
    if "$probe" find Ovixmain; then state=present; else state=absent; fi
    printf '    %-15s %s\n' "window Ovixmain" "$state"
}

echo "program folder: $programs"
echo "runtime folder: $OVIX_RUNTIME_DIR"
echo
echo "== first start: no main client runs, no package waits"
start_ms=$(($(date +%s%N) / 1000000))
rc=0
(cd "$demo" && "$programs/Ovix") || rc=$?
elapsed_ms=$(($(date +%s%N) / 1000000 - start_ms))
sleep 0.3  # the updater prints from its own process
echo "  launcher ended with exit code $rc after $((elapsed_ms / 1000)).$((elapsed_ms % 1000 / 100)) s" \
    "(it waits up to 8 s on the main client)"
echo "  named objects and windows now:"
objects
echo
echo "== second start: the main client runs (it prints what it receives)"
rc=0
(cd "$demo" && "$programs/Ovix") || rc=$?
demo_wait_for_line "$demo/mainclient.log" "message 10024" 50 >/dev/null || true
echo "  launcher ended with exit code $rc; the main client logged:"
sed 's/^/    /' "$demo/mainclient.log"
echo "  nothing else was started (no new [Ovixmain] or [Pullpatch] line above)"
echo
echo "== stopping the main client (SIGTERM)"
kill -TERM "$(cat "$client_pid_file")"
for _ in $(seq 50); do "$probe" exists CLIENTOvix || break; sleep 0.1; done
objects
