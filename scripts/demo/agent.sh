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
tunnelserver="$build/tools/tunnelserver/tunnelserver"
ovixmain="$build/tools/ovixmain/Ovixmain"
agent="$build/agent/app/OvixAgent"
for program in "$tunnelserver" "$ovixmain" "$agent"; do
    [[ -x "$program" ]] || { echo "agent.sh: $program is missing; build it first" >&2; exit 1; }
done
for tool in kamailio sipsak python3; do
    command -v "$tool" >/dev/null || { echo "agent.sh: $tool is not installed" >&2; exit 1; }
done

work="$(mktemp -d /tmp/ovix-agent-demo.XXXXXX)"
pids=()
kamailio_pid=""
agent_pid=""
cleanup() {
    exec 3>&- 2>/dev/null || true
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    [[ -n "$kamailio_pid" ]] && kill -- "-$kamailio_pid" 2>/dev/null || true
    for pid in "${pids[@]}" $kamailio_pid; do
        wait "$pid" 2>/dev/null || true
    done
    # The agent ends with its released object; make sure of it.
    [[ -n "$agent_pid" ]] && kill "$agent_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Every agent process of the demo: loopback addresses, its own settings, no display needed.
export OVIX_LOCAL_ADDRESSES=127.0.0.1
export OVIX_CONFIG_DIR="$work/config"
export QT_QPA_PLATFORM=offscreen

free_port() {  # free_port udp|tcp
    python3 -c 'import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM if sys.argv[1] == "udp" else socket.SOCK_STREAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' "$1"
}

wait_for_line() {  # wait_for_line FILE REGEX
    local i
    for i in $(seq 1 150); do
        grep -m1 -E "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "agent.sh: no line matching '$2' in $1:" >&2
    cat "$1" >&2
    return 1
}

sip_port=$(free_port udp)
tunnel_port=$(free_port tcp)
cat >"$work/kamailio.cfg" <<CFG
#!KAMAILIO
debug=2
log_stderror=yes
fork=no
children=1
auto_aliases=no
listen=udp:127.0.0.1:$sip_port
mpath="/usr/lib/x86_64-linux-gnu/kamailio/modules/"
loadmodule "sl.so"
loadmodule "tm.so"
loadmodule "pv.so"
loadmodule "xlog.so"
loadmodule "textops.so"
loadmodule "siputils.so"
request_route {
    force_rport();
    xlog("L_NOTICE", "kamailio got \$rm from \$si:\$sp\n");
    if (is_method("OPTIONS")) { sl_send_reply("200", "OK"); exit; }
    sl_send_reply("404", "Not Here");
}
CFG

echo "== register the agent's automation object"
"$agent" -reg
grep -A1 -E '^\[(OvixAgent|CLSID)' "$OVIX_CONFIG_DIR/registry.ini"

echo "== kamailio on udp 127.0.0.1:$sip_port"
setsid kamailio -f "$work/kamailio.cfg" -DD -E -Y "$work" -P "$work/kamailio.pid" -w "$work" \
    >"$work/kamailio.log" 2>&1 &
kamailio_pid=$!
sleep 1

echo "== stand-in tunnel server on tcp 127.0.0.1:$tunnel_port, SIP to kamailio"
"$tunnelserver" --listen "127.0.0.1:$tunnel_port" --sip "127.0.0.1:$sip_port" \
    >"$work/tunnelserver.log" 2>&1 &
pids+=($!)
tunnel_pid=$!
wait_for_line "$work/tunnelserver.log" '^tunnelserver listening' >/dev/null

echo "== Ovixmain --agent 127.0.0.1:$tunnel_port"
mkfifo "$work/ovixmain.stdin"
"$ovixmain" --agent "127.0.0.1:$tunnel_port" <"$work/ovixmain.stdin" >"$work/ovixmain.log" 2>&1 &
ovixmain_pid=$!
pids+=($ovixmain_pid)
exec 3>"$work/ovixmain.stdin"
read -r _ _ agent_pid <<<"$(wait_for_line "$work/ovixmain.log" '^agent created ')"
read -r _ _ agent_host agent_port <<<"$(wait_for_line "$work/ovixmain.log" '^agent sip ')"
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
for i in $(seq 1 50); do
    kill -0 "$agent_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$agent_pid" 2>/dev/null; then
    echo "agent process $agent_pid is still running"
else
    echo "agent process $agent_pid has ended"
fi
echo "== kamailio saw"
grep 'kamailio got' "$work/kamailio.log" || true
echo "== stand-in"
kill -USR1 "$tunnel_pid"
sleep 0.3
cat "$work/tunnelserver.log"
