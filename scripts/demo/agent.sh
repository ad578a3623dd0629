#!/usr/bin/env bash
# Agent demo on 127.0.0.1, the way the main client uses the agent: kamailio as the SIP
# server, the stand-in tunnel server in front of it, the stand-in main client "Ovixmain
# --agent" creating the agent's automation object (which starts an OvixAgent process), and
# sipsak as the softphone sending OPTIONS to the agent's SIP listener. sipsak retransmits,
# so its first OPTIONS opens the tunnel and a retransmission brings kamailio's 200 OK back.
#
#   scripts/demo/agent.sh BUILD_FOLDER
set -euo pipefail

build="${1:?usage: agent.sh BUILD_FOLDER}"
demo_name=agent.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
tunnelserver="$build/tools/tunnelserver/tunnelserver"
ovixmain="$build/tools/ovixmain/Ovixmain"
agent="$build/agent/app/OvixAgent"
demo_require_programs "$tunnelserver" "$ovixmain" "$agent"
demo_require_tools kamailio sipsak python3

work="$(mktemp -d /tmp/ovix-agent-demo.XXXXXX)"
agent_pid=""
cleanup() {
    demo_stop_processes
    # The agent ends with its released object; make sure of it.
    [[ -n "$agent_pid" ]] && kill "$agent_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Every agent process of the demo: loopback addresses, its own settings and runtime folder
# (Qt wants one, mode 0700), no display needed.
export OVIX_LOCAL_ADDRESSES=127.0.0.1
export OVIX_CONFIG_DIR="$work/config"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"

sip_port=$(demo_free_port udp)
tunnel_port=$(demo_free_port tcp)
demo_write_kamailio_config "$work/kamailio.cfg" "$sip_port"

echo "== register the agent's automation object"
"$agent" -reg
grep -A1 -E '^\[(OvixAgent|CLSID)' "$OVIX_CONFIG_DIR/registry.ini"

echo "== kamailio on udp 127.0.0.1:$sip_port"
demo_start_kamailio "$work"
demo_wait_for_kamailio "$work" "$sip_port"

echo "== stand-in tunnel server on tcp 127.0.0.1:$tunnel_port, SIP to kamailio"
"$tunnelserver" --listen "127.0.0.1:$tunnel_port" --sip "127.0.0.1:$sip_port" \
    >"$work/tunnelserver.log" 2>&1 &
pids+=($!)
tunnel_pid=$!
demo_wait_for_line "$work/tunnelserver.log" '^tunnelserver listening' 150 >/dev/null

echo "== Ovixmain --agent 127.0.0.1:$tunnel_port"
mkfifo "$work/ovixmain.stdin"
"$ovixmain" --agent "127.0.0.1:$tunnel_port" <"$work/ovixmain.stdin" >"$work/ovixmain.log" 2>&1 &
ovixmain_pid=$!
pids+=($ovixmain_pid)
exec 3>"$work/ovixmain.stdin"
read -r _ _ agent_pid <<<"$(demo_wait_for_line "$work/ovixmain.log" '^agent created ' 150)"
read -r _ _ agent_host agent_port <<<"$(demo_wait_for_line "$work/ovixmain.log" '^agent sip ' 150)"
echo "agent process $agent_pid, SIP listener $agent_host:$agent_port"

echo "== sipsak: OPTIONS to the agent at $agent_host:$agent_port"
if sipsak -S -vv -H 127.0.0.1 -s "sip:ping@$agent_host:$agent_port" >"$work/sipsak.log" 2>&1; then
    echo "answer that came back through the agent and the tunnel:"
    sed -n '/^SIP\/2.0 200/,/^$/p' "$work/sipsak.log" | head -12
else
    echo "sipsak got no answer:"
    cat "$work/sipsak.log"
fi

echo "== release the object: Ovixmain stops the relay and releases it, the agent ends"
exec 3>&-
wait "$ovixmain_pid" || true
cat "$work/ovixmain.log"
if demo_wait_for_exit "$agent_pid" 50; then
    echo "agent process $agent_pid has ended"
else
    echo "agent process $agent_pid is still running"
fi
echo "== kamailio saw"
grep 'kamailio got' "$work/kamailio.log" || true
echo "== stand-in"
kill -USR1 "$tunnel_pid"
sleep 0.3
cat "$work/tunnelserver.log"
