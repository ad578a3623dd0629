# Helpers shared by the demo and benchmark scripts: checks for programs and tools, free
# loopback ports, waiting for a log line, kamailio as a throw-away SIP server, and stopping
# everything a script started. Source it after setting demo_name (it prefixes messages).
# Processes to stop go into pids; kamailio's pid goes into kamailio_pid.
pids=()
kamailio_pid=""

demo_require_programs() {  # demo_require_programs PROGRAM...
    local program
    for program in "$@"; do
        [[ -x "$program" ]] || { echo "$demo_name: $program is missing; build it first" >&2; exit 1; }
    done
}

demo_require_tools() {  # demo_require_tools TOOL...
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "$demo_name: $tool is not installed" >&2; exit 1; }
    done
}

# All ports are held at once while they are picked, so they differ from each other.
demo_free_ports() {  # demo_free_ports udp|tcp COUNT -> ports separated by spaces
    python3 - "$1" "$2" <<'PY'
import socket, sys
kind = socket.SOCK_DGRAM if sys.argv[1] == "udp" else socket.SOCK_STREAM
held = []
for _ in range(int(sys.argv[2])):
    s = socket.socket(socket.AF_INET, kind)
    s.bind(("127.0.0.1", 0))
    held.append(s)
print(" ".join(str(s.getsockname()[1]) for s in held))
PY
}

demo_free_port() {  # demo_free_port udp|tcp
    demo_free_ports "$1" 1
}

demo_wait_for_line() {  # demo_wait_for_line FILE REGEX [TENTHS_OF_A_SECOND] -> prints the line
    local i
    for i in $(seq 1 "${3:-100}"); do
        grep -m1 -E "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "$demo_name: no line matching '$2' in $1:" >&2
    cat "$1" >&2
    return 1
}

demo_wait_for_exit() {  # demo_wait_for_exit PID [TENTHS_OF_A_SECOND]; fails if it still runs
    local i
    for i in $(seq 1 "${2:-50}"); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    ! kill -0 "$1" 2>/dev/null
}

# For the cleanup trap: closes fd 3 (a fifo some scripts hold open), ends every process in
# pids and kamailio's whole process group (it runs helpers of its own), then waits for them.
demo_stop_processes() {
    exec 3>&- 2>/dev/null || true
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    [[ -n "$kamailio_pid" ]] && kill -- "-$kamailio_pid" 2>/dev/null || true
    for pid in "${pids[@]}" $kamailio_pid; do
        wait "$pid" 2>/dev/null || true
    done
}

# The kamailio configuration the end-to-end tests use too: it answers OPTIONS with 200 and
# keeps REGISTER bindings in memory.
demo_write_kamailio_config() {  # demo_write_kamailio_config FILE UDP_PORT
    local modules template
    template="$(dirname "${BASH_SOURCE[0]}")/../../tests/support/kamailio/loopback-sip.cfg"
    modules=$(dirname "$(ls /usr/lib/*/kamailio/modules/sl.so /usr/lib/kamailio/modules/sl.so 2>/dev/null | head -1)")
    [[ -f "$modules/sl.so" ]] || { echo "$demo_name: kamailio modules not found" >&2; exit 1; }
    sed -e "s|@PORT@|$2|" -e "s|@MODULES@|$modules/|" "$template" >"$1"
}

# Starts kamailio in the foreground of its own process group, logging to WORK/kamailio.log.
demo_start_kamailio() {  # demo_start_kamailio WORK (the config is WORK/kamailio.cfg)
    setsid kamailio -f "$1/kamailio.cfg" -DD -E -Y "$1" -P "$1/kamailio.pid" -w "$1" \
        >"$1/kamailio.log" 2>&1 &
    kamailio_pid=$!
}

# Waits until kamailio answers OPTIONS on 127.0.0.1:PORT (50 tries, at most about 20 s). A port
# that is not bound yet refuses at once, so every try is followed by a pause.
demo_wait_for_kamailio() {  # demo_wait_for_kamailio WORK PORT
    local attempt
    for attempt in $(seq 1 50); do
        kill -0 "$kamailio_pid" 2>/dev/null || break
        sipsak -S -H 127.0.0.1 --timer-t1 200 --timeout-factor 1 \
            -s "sip:ready@127.0.0.1:$2" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    echo "$demo_name: kamailio does not answer:" >&2
    cat "$1/kamailio.log" >&2
    return 1
}
