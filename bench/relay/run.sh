#!/usr/bin/env bash
# Relay latency benchmark: the agent (run by the agent driver) and the stand-in tunnel server
# on 127.0.0.1, a socat UDP-over-TCP pair for comparison, and relaytraffic playing the
# softphone and the far side at once. Prints the latency figures, the sustained rates per
# direction, the idle agent's CPU use and the machine.
#
#   bench/relay/run.sh BUILD_FOLDER [--duration SECONDS] [--ramp-step SECONDS] [--idle SECONDS]
#                                   [--no-ramp] [--no-sip] [--realtime]
#
# --realtime runs every process of the measurement under SCHED_FIFO (root only), so that
# other work on a shared machine does not show up as relay latency.
set -euo pipefail

build="${1:?usage: run.sh BUILD_FOLDER [--duration S] [--ramp-step S] [--idle S] [--no-ramp] [--no-sip] [--realtime]}"
shift
demo_name=run.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/demo/lib.sh"
duration=60
ramp_step=2
idle=10
extra=()
run=()
while [[ $# -gt 0 ]]; do
    case "$1" in
        --duration) duration="$2"; shift 2 ;;
        --ramp-step) ramp_step="$2"; shift 2 ;;
        --idle) idle="$2"; shift 2 ;;
        --no-ramp) extra+=(--no-ramp); shift ;;
        --no-sip) extra+=(--no-sip); shift ;;
        --realtime) run=(chrt -f 10); shift ;;
        *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

tunnelserver="$build/tools/tunnelserver/tunnelserver"
agentdriver="$build/tools/agentdriver/agentdriver"
relaytraffic="$build/bench/relay/relaytraffic"
demo_require_programs "$tunnelserver" "$agentdriver" "$relaytraffic"
demo_require_tools socat python3

work="$(mktemp -d /tmp/ovix-relay-bench.XXXXXX)"
cleanup() {
    demo_stop_processes
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

read -r far_sip far_rtp socat_entry socat_far <<<"$(demo_free_ports udp 4)"
read -r tunnel_port socat_tcp <<<"$(demo_free_ports tcp 2)"

"${run[@]}" "$tunnelserver" --listen "127.0.0.1:$tunnel_port" --sip "127.0.0.1:$far_sip" \
    --rtp "127.0.0.1:$far_rtp" >"$work/tunnelserver.log" 2>&1 &
pids+=($!)
demo_wait_for_line "$work/tunnelserver.log" '^tunnelserver listening' >/dev/null

# The driver runs until its standard input closes: hold it open on a fifo.
mkfifo "$work/agent.stdin"
OVIX_LOCAL_ADDRESSES=127.0.0.1 "${run[@]}" "$agentdriver" --server "127.0.0.1:$tunnel_port" \
    <"$work/agent.stdin" >"$work/agent.log" 2>&1 &
agent_pid=$!
pids+=($agent_pid)
exec 3>"$work/agent.stdin"
read -r _ _ agent_sip_host agent_sip_port <<<"$(demo_wait_for_line "$work/agent.log" '^agent sip ')"
read -r _ _ agent_rtp_host agent_rtp_port <<<"$(demo_wait_for_line "$work/agent.log" '^agent rtp ')"

"${run[@]}" socat "TCP4-LISTEN:$socat_tcp,bind=127.0.0.1,reuseaddr" "UDP4:127.0.0.1:$socat_far" &
pids+=($!)
sleep 0.2
"${run[@]}" socat "UDP4-LISTEN:$socat_entry,bind=127.0.0.1" "TCP4:127.0.0.1:$socat_tcp" &
pids+=($!)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), kernel $(uname -r)"
echo "load before the run: $(cut -d' ' -f1-3 /proc/loadavg)${run:+ (SCHED_FIFO)}"
echo "agent: sip $agent_sip_host:$agent_sip_port rtp $agent_rtp_host:$agent_rtp_port, stand-in on 127.0.0.1:$tunnel_port"
# The scheduler's per-thread run time (nanoseconds) gives the finer figure.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$agent_pid/stat"; }
run_ns() { cat /proc/"$agent_pid"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }
traffic_start_ns=$(run_ns)
traffic_start=$(date +%s.%N)
"${run[@]}" "$relaytraffic" --agent-sip "$agent_sip_host:$agent_sip_port" \
    --agent-rtp "$agent_rtp_host:$agent_rtp_port" --far-sip "127.0.0.1:$far_sip" \
    --far-rtp "127.0.0.1:$far_rtp" --socat-entry "127.0.0.1:$socat_entry" \
    --socat-far "127.0.0.1:$socat_far" --duration "$duration" --ramp-step "$ramp_step" \
    "${extra[@]}"
awk -v ns=$(( $(run_ns) - traffic_start_ns )) -v t0="$traffic_start" -v t1="$(date +%s.%N)" \
    'BEGIN { printf "agent CPU while carrying the traffic: %.2f%% of one core over %.0f s\n", 100 * ns / 1e9 / (t1 - t0), t1 - t0 }'

# CPU of the idle agent (tunnel still connected): utime + stime from /proc, in clock ticks.
sleep 2
before=$(cpu_ticks)
before_ns=$(run_ns)
sleep "$idle"
after=$(cpu_ticks)
after_ns=$(run_ns)
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v ns=$((after_ns - before_ns)) -v hz="$hz" -v s="$idle" \
    'BEGIN { printf "idle agent CPU: %.3f%% of one core over %d s (/proc stat: %d ticks at %d Hz = %.2f%%)\n", 100 * ns / 1e9 / s, s, t, hz, 100 * t / hz / s }'
echo "agent threads: $(ls /proc/$agent_pid/task | wc -l)"
kill -USR1 "${pids[0]}"
sleep 0.2
grep '^tunnelserver counts' "$work/tunnelserver.log" | tail -1
echo "load after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
