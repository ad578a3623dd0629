#!/usr/bin/env bash
# Relay demo on 127.0.0.1: kamailio as the SIP server, the stand-in tunnel server in front
# of it, the agent (run by the agent driver), and sipsak as the softphone. The first OPTIONS
# opens the tunnel (the agent drops it); the second goes through and kamailio's 200 OK comes
# back through the tunnel.
#
#   scripts/demo/relay.sh BUILD_FOLDER
set -euo pipefail

build="${1:?usage: relay.sh BUILD_FOLDER}"
demo_name=relay.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
tunnelserver="$build/tools/tunnelserver/tunnelserver"
agentdriver="$build/tools/agentdriver/agentdriver"
demo_require_programs "$tunnelserver" "$agentdriver"
demo_require_tools kamailio sipsak python3

work="$(mktemp -d /tmp/ovix-relay-demo.XXXXXX)"
cleanup() {
    demo_stop_processes
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

sip_port=$(demo_free_port udp)
tunnel_port=$(demo_free_port tcp)
demo_write_kamailio_config "$work/kamailio.cfg" "$sip_port"

echo "== kamailio on udp 127.0.0.1:$sip_port"
demo_start_kamailio "$work"
demo_wait_for_kamailio "$work" "$sip_port"

echo "== stand-in tunnel server on tcp 127.0.0.1:$tunnel_port, SIP to kamailio"
"$tunnelserver" --listen "127.0.0.1:$tunnel_port" --sip "127.0.0.1:$sip_port" \
    >"$work/tunnelserver.log" 2>&1 &
pids+=($!)
tunnel_pid=$!
demo_wait_for_line "$work/tunnelserver.log" '^tunnelserver listening' >/dev/null

echo "== agent, tunnel server 127.0.0.1:$tunnel_port"
mkfifo "$work/agent.stdin"
OVIX_LOCAL_ADDRESSES=127.0.0.1 "$agentdriver" --server "127.0.0.1:$tunnel_port" \
    <"$work/agent.stdin" >"$work/agent.log" 2>&1 &
pids+=($!)
exec 3>"$work/agent.stdin"
read -r _ _ agent_host agent_port <<<"$(demo_wait_for_line "$work/agent.log" '^agent sip ')"
demo_wait_for_line "$work/agent.log" '^agent rtp ' >/dev/null

for attempt in first second; do
    echo "== sipsak: OPTIONS to the agent at $agent_host:$agent_port ($attempt run)"
    # One shot, no retransmission: the first opens the tunnel and gets no answer.
    if sipsak -S -vv -H 127.0.0.1 --timer-t1 1000 --timeout-factor 1 \
        -s "sip:ping@$agent_host:$agent_port" >"$work/sipsak.$attempt" 2>&1; then
        echo "answer that came back through the tunnel:"
        sed -n '/^SIP\/2.0 200/,/^$/p' "$work/sipsak.$attempt" | head -12
    else
        echo "no answer (expected for the first: it opened the tunnel and was not relayed)"
    fi
    sleep 0.5
done

echo "== agent log"
cat "$work/agent.log"
relay=$(grep -oE 'sip relay [0-9.]+:[0-9]+' "$work/tunnelserver.log" | head -1 | cut -d' ' -f3)
echo "== kamailio saw, from the stand-in's relay socket ${relay:-?}"
grep "kamailio got .* from ${relay:-none}\$" "$work/kamailio.log" || echo "(nothing)"
echo "== stand-in"
kill -USR1 "$tunnel_pid"
sleep 0.3
cat "$work/tunnelserver.log"
