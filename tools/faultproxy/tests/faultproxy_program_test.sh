#!/bin/bash
# Starts the faultproxy program with a scripted answer, fetches through it with curl, and
# checks that it ends on SIGTERM. Everything started here is stopped on the way out.
set -u
program=$1
folder=$(mktemp -d)
proxy=
cleanup() {
    if [ -n "$proxy" ]; then
        kill "$proxy" 2>/dev/null
        wait "$proxy" 2>/dev/null
    fi
    rm -rf "$folder"
}
trap cleanup EXIT

printf 'HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello' > "$folder/answer"
"$program" "script:$folder/answer" > "$folder/out" 2>&1 &
proxy=$!
port=
for _ in $(seq 1 100); do
    port=$(sed -n 's/^listening 127.0.0.1:\([0-9]*\)$/\1/p' "$folder/out")
    [ -n "$port" ] && break
    sleep 0.05
done
[ -n "$port" ] || { echo "no listening line"; cat "$folder/out"; exit 1; }

body=$(curl -s --max-time 5 "http://127.0.0.1:$port/x")
[ "$body" = "hello" ] || { echo "unexpected body: $body"; exit 1; }

kill -TERM "$proxy"
for _ in $(seq 1 100); do
    kill -0 "$proxy" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$proxy" 2>/dev/null; then
    echo "faultproxy did not end on SIGTERM"
    exit 1
fi
wait "$proxy"
status=$?
proxy=
[ "$status" -eq 0 ] || { echo "exit status $status"; exit 1; }
echo "ok"
