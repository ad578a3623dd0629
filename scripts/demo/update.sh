#!/usr/bin/env bash
# One update check end to end on 127.0.0.1: nginx serves an update-control file, a package
# and a new launcher; the updater runs once from a fresh program folder; the stand-in main
# client shows the message that a package waits. Everything is removed at the end.
# Argument: the build folder (with Pullpatch and Ovixmain built).
set -euo pipefail
build="$(cd "${1:?build folder}" && pwd)"
demo_name="update demo"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

pullpatch="$build/updater/app/Pullpatch"
ovixmain="$build/tools/ovixmain/Ovixmain"
demo_require_programs "$pullpatch" "$ovixmain"
demo_require_tools nginx curl python3

work="$(mktemp -d /tmp/ovix-update-demo-XXXXXX)"
cleanup() {
    demo_stop_processes
    rm -rf "$work"
}
trap cleanup EXIT

port="$(demo_free_port tcp)"

echo "== update server: nginx on 127.0.0.1:$port serving $work/www"
mkdir -p "$work/www/patch" "$work/nginx"
printf '<upcontrol>\r\n  <patch version="13"/>\r\n  <ovix>8</ovix>\r\n</upcontrol>\r\n' \
    >"$work/www/patch/conupdate.cfg"
printf 'package for level 13 (one step)\n' >"$work/www/patch/v2.ovix"
printf 'full package\n' >"$work/www/patch/v1.ovix"
printf '#!/bin/sh\necho "new launcher, version 8"\n' >"$work/www/patch/Ovix"
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
    access_log $work/nginx/access.log;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    default_type application/octet-stream;
    server {
        listen 127.0.0.1:$port;
        root $work/www;
    }
}
CONF
nginx -e "$work/nginx/error.log" -p "$work/nginx" -c "$work/nginx/nginx.conf" &
pids+=($!)
# Any answer means nginx is up; ask for a path the updater never asks for, so the request
# list below shows only the updater's own requests.
for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$port/ready-probe" && break
    sleep 0.1
done

echo "== program folder $work/program: level 12, launcher version 7"
mkdir -p "$work/program" "$work/home/Desktop" "$work/config"
mkdir -m 0700 "$work/runtime"
cp "$pullpatch" "$work/program/Pullpatch"   # a copy: the program folder is where the file is
printf '<upcontrol>\r\n  <patch version="12"/>\r\n  <ovix>7</ovix>\r\n</upcontrol>\r\n' \
    >"$work/program/conupdate.cfg"
printf '#!/bin/sh\necho "old launcher, version 7"\n' >"$work/program/Ovix"
chmod 0755 "$work/program/Ovix"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export OVIX_RUNTIME_DIR="$work/runtime" OVIX_CONFIG_DIR="$work/config"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
printf '[Update]\nurl=http://127.0.0.1:%s\n' "$port" >"$work/config/ovix.ini"

echo "== stand-in main client"
"$ovixmain" --log "$work/ovixmain.log" >"$work/ovixmain.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [[ -S "$work/runtime/windows/Ovixmain" ]] && break
    sleep 0.1
done

echo "== Pullpatch (update server from $work/config/ovix.ini)"
set +e
"$work/program/Pullpatch"
code=$?
set -e
echo "exit code: $code"

demo_wait_for_line "$work/ovixmain.log" '^message 3024 ' 50 >/dev/null || true

echo "== what the server was asked for"
awk '$7 != "/ready-probe" {gsub(/"/, "", $6); print "  " $6, $7, $9}' "$work/nginx/access.log"
echo "== program folder afterwards"
(cd "$work/program" && find . -type f -printf '  %M %p\n' | sort)
echo "== package:  $(cat "$work/program/Download/update.ovix")"
echo "== launcher: $("$work/program/Ovix")"
echo "== local control file:"
sed 's/\r$//; s/^/  /' "$work/program/conupdate.cfg"
echo "== desktop entry $HOME/Desktop/ovix.desktop:"
sed 's/^/  /' "$HOME/Desktop/ovix.desktop"
echo "== the main client's log:"
sed 's/^/  /' "$work/ovixmain.log"
grep -q '^message 3024 0 0' "$work/ovixmain.log" && [[ $code -eq 18 ]] &&
    echo "== update demo passed"
