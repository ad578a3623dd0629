#!/usr/bin/env bash
# Relay demo on 127.0.0.1: kamailio as the SIP server, the stand-in tunnel server in front
# of it, the agent (run by the agent driver), and sipsak as the softphone. The first OPTIONS
# opens the tunnel (the agent drops it); the second goes through and kamailio's 200 OK comes
# back through the tunnel.
#
#   scripts/demo/relay.sh BUILD_FOLDER
set -euo pipefail

build="${1:?usage: relay.sh BUILD_FOLDER}"
tunnelserver="$build/tools/tunnelserver/tunnelserver"
agentdriver="$build/tools/agentdriver/agentdriver"
for program in "$tunnelserver" "$agentdriver"; do
    [[ -x "$program" ]] || { echo "relay.sh: $program is missing; build it first" >&2; exit 1; }
done
for tool in kamailio sipsak python3; do
    command -v "$tool" >/dev/null || { echo "relay.sh: $tool is not installed" >&2; exit 1; }
done

work="$(mktemp -d /tmp/ovix-relay-demo.XXXXXX)"
pids=()
kamailio_pid=""
cleanup() {
    exec 3>&- 2>/dev/null || true
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    # kamailio runs helpers of its own: end its whole process group.
    [[ -n "$kamailio_pid" ]] && kill -- "-$kamailio_pid" 2>/dev/null || true
    for pid in "${pids[@]}" $kamailio_pid; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

free_port() {  # free_port udp|tcp
    python3 -c 'import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM if sys.argv[1] == "udp" else socket.SOCK_STREAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' "$1"
}

wait_for_line() {  # wait_for_line FILE REGEX
    local i
    for i in $(seq 1 100); do
        grep -m1 -E "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "relay.sh: no line matching '$2' in $1:" >&2
    cat "$1" >&2
    return 1
}

modules=$(dirname "$(ls /usr/lib/*/kamailio/modules/sl.so /usr/lib/kamailio/modules/sl.so 2>/dev/null | head -1)")
[[ -f "$modules/sl.so" ]] || { echo "relay.sh: kamailio modules not found" >&2; exit 1; }
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
mpath="$modules/"
loadmodule "sl.so"
loadmodule "tm.so"
loadmodule "pv.so"
loadmodule "xlog.so"
loadmodule "textops.so"
loadmodule "siputils.so"
loadmodule "usrloc.so"
loadmodule "registrar.so"
modparam("usrloc", "db_mode", 0)
request_route {
    force_rport();
    xlog("L_NOTICE", "kamailio got \$rm from \$si:\$sp\n");
    if (is_method("OPTIONS")) { sl_send_reply("200", "OK"); exit; }
    if (is_method("REGISTER")) { if (!save("location")) { sl_reply_error(); } exit; }
    sl_send_reply("404", "Not Here");
}
CFG

echo "== kamailio on udp 127.0.0.1:$sip_port"
setsid kamailio -f "$work/kamailio.cfg" -DD -E -Y "$work" -P "$work/kamailio.pid" -w "$work" \
    >"$work/kamailio.log" 2>&1 &
kamailio_pid=$!
ready=""
for attempt in $(seq 1 25); do
    if sipsak -S -H 127.0.0.1 --timer-t1 200 --timeout-factor 1 \
        -s "sip:ready@127.0.0.1:$sip_port" >/dev/null 2>&1; then
        ready=yes
        break
    fi
done
[[ -n "$ready" ]] || { echo "relay.sh: kamailio does not answer:" >&2; cat "$work/kamailio.log" >&2; exit 1; }

echo "== stand-in tunnel server on tcp 127.0.0.1:$tunnel_port, SIP to kamailio"
"$tunnelserver" --listen "127.0.0.1:$tunnel_port" --sip "127.0.0.1:$sip_port" \
    >"$work/tunnelserver.log" 2>&1 &
pids+=($!)
tunnel_pid=$!
wait_for_line "$work/tunnelserver.log" '^tunnelserver listening' >/dev/null

echo "== agent, tunnel server 127.0.0.1:$tunnel_port"
mkfifo "$work/agent.stdin"
OVIX_LOCAL_ADDRESSES=127.0.0.1 "$agentdriver" --server "127.0.0.1:$tunnel_port" \
    <"$work/agent.stdin" >"$work/agent.log" 2>&1 &
pids+=($!)
exec 3>"$work/agent.stdin"
read -r _ _ agent_host agent_port <<<"$(wait_for_line "$work/agent.log" '^agent sip ')"
wait_for_line "$work/agent.log" '^agent rtp ' >/dev/null

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
