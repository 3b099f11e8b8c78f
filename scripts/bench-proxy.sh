#!/usr/bin/env bash
# Loopback benchmark of Blokkum's proxy beside the ceiling relay, both under Wine:
#   scripts/bench-proxy.sh [SECONDS_PER_RUN]
# An nginx origin serves a 1 KB HTML page and a 1 MB file; wrk (2 threads, 64
# kept-alive connections) fetches each through
#   ceiling  /work/shared/bench/ceiling/proxy.cpp (or $QV_CEILING_SRC): a minimal
#            thread-per-connection relay, built with the same compiler as our
#            runnable build and run under the same Wine in a prefix of its own:
#            the most one Wine process gets out of this machine's sockets;
#   blokkum  Blokkum's proxy from the runnable build (build/, or build64/ where
#            32-bit programs cannot start), run as the program runs it: its
#            QVINI.ini and QVBlk.js, pop-up catching on (a configured browser),
#            so HTML pages are held and get the script.
# Prints requests/s, p50 and p99 per target and page, and the host's steal time
# during each run (a Wine figure taken under more than ~10% steal is noise);
# then the socket calls per 1 KB request of each relay (200 requests on one
# kept-alive connection under WINEDEBUG=+winsock).
# Installs wrk and nginx when missing. Uses free ports only, so it can run
# beside a proxy on 8100. QV_BENCH_NO_BUILD=1 skips the build step;
# QV_BENCH_SERVE=EXE measures another build of BlokkumProxyServe.exe.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
secs=${1:-5}
export PATH=$PATH:/usr/sbin
for t in wrk nginx; do
  command -v $t >/dev/null || { apt-get install -y -q wrk nginx >/dev/null 2>&1; break; }
done
command -v wrk >/dev/null && command -v nginx >/dev/null || { echo "bench-proxy: wrk and nginx are needed" >&2; exit 1; }

[ "${QV_BENCH_NO_BUILD:-0}" = 1 ] || bash "$root/scripts/build.sh" >/dev/null || exit 1
. "$root/scripts/arch.sh"
build=$(qv_runnable_build)
qv_built_program tests/bin/BlokkumProxyServe.exe "${QV_BENCH_SERVE:-}" || exit 1
serve=$program

W=$(mktemp -d -t qvbench.XXXX)
stop_relays() {
  touch "$W/stop"
  for f in "$W"/ours.pid "$W"/ceil.pid; do [ -f "$f" ] && { sleep 0.5; kill "$(cat "$f")" 2>/dev/null; rm -f "$f"; }; done
  for p in "$W"/wine-*; do [ -d "$p" ] && WINEPREFIX=$p /usr/lib/wine/wineserver -k 2>/dev/null; done
  sleep 0.5
}
cleanup() {
  stop_relays
  [ -f "$W/ng.pid" ] && kill "$(cat "$W/ng.pid")" 2>/dev/null
  sleep 0.3
  rm -rf "$W"
}
trap cleanup EXIT
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_port() { for _ in $(seq 1 600); do (exec 3<>/dev/tcp/127.0.0.1/$1) 2>/dev/null && return 0; sleep 0.2; done; return 1; }
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
wine_in() {  # NAME EXE ARGS...: runs EXE under Wine in prefix $W/wine-NAME
  local name=$1; shift
  mkdir -p "$W/wine-$name"
  WINEPREFIX="$W/wine-$name" WINEARCH=$arch WINEDEBUG="${WINEDEBUG:--all}" HOME="$W" \
    WINEDLLOVERRIDES="winealsa.drv=d;mscoree=d;mshtml=d" "$loader" "$@"
}

mkdir -p "$W/www" "$W/nginx"
python3 - "$W/www" <<'PY'
import sys, os
d = sys.argv[1]
body = '<p>' + 'x' * 900 + '</p>'
open(os.path.join(d, 'p1k.html'), 'w').write('<html><head><title>t</title></head><body>' + body + '</body></html>\n')
open(os.path.join(d, 'b1m.bin'), 'wb').write(os.urandom(1 << 20))
PY
chmod -R a+rX "$W"
origin=$(free_port)
cat >"$W/nginx.conf" <<NG
worker_processes 2; daemon off; pid $W/nginx/nginx.pid; error_log $W/nginx/err.log;
events { worker_connections 1024; }
http { access_log off; default_type application/octet-stream; types { text/html html; }
  client_body_temp_path $W/nginx; proxy_temp_path $W/nginx; fastcgi_temp_path $W/nginx; uwsgi_temp_path $W/nginx; scgi_temp_path $W/nginx;
  server { listen 127.0.0.1:$origin; root $W/www; keepalive_requests 100000; } }
NG
nginx -c "$W/nginx.conf" -p "$W/nginx" 2>/dev/null & echo $! >"$W/ng.pid"

# The ceiling relay, built like our runnable build.
ceil_src=${QV_CEILING_SRC:-/work/shared/bench/ceiling/proxy.cpp}
[ -f "$ceil_src" ] && $cxx -O2 -std=c++17 -static -o "$W/ceiling.exe" "$ceil_src" -lws2_32 ||
  echo "bench-proxy: no ceiling relay ($ceil_src)" >&2
mkdir -p "$W/blokkum"
cp "$build/products/Blokkum/QVBlk.js" "$W/blokkum/"
printf '[QuorvaneBlokkum]\r\nPlayWave=0\r\nPopupCheckDisabled=0\r\n' >"$W/blokkum/QVINI.ini"
start_relays() {  # [WINEDEBUG]: sets $ceiling and $ours to their ports
  local debug=${1:--all}
  ceiling="" ours=""
  rm -f "$W/ours.port" "$W/stop"
  if [ -f "$W/ceiling.exe" ]; then
    ceiling=$(free_port)
    WINEDEBUG=$debug wine_in ceiling "$W/ceiling.exe" -p "$ceiling" -b 131072 >/dev/null 2>"$W/ceiling.trace" &
    echo $! >"$W/ceil.pid"
  fi
  # Blokkum's proxy with its shipped script and pop-up catching on.
  WINEDEBUG=$debug wine_in ours "$serve" "$(winpath "$W/ours.port")" "$(winpath "$W/stop")" 86400 blokkum \
    "$(winpath "$W/blokkum")" >/dev/null 2>"$W/ours.trace" & echo $! >"$W/ours.pid"
  for _ in $(seq 1 600); do [ -s "$W/ours.port" ] && break; sleep 0.2; done
  ours=$(tr -d '\r\n' <"$W/ours.port" 2>/dev/null)
  [ -n "$ours" ] && wait_port "$ours" || { echo "bench-proxy: Blokkum's proxy did not start" >&2; exit 1; }
  [ -n "$ceiling" ] && { wait_port "$ceiling" || ceiling=""; }
  sleep 1
}
start_relays
wait_port "$origin" || { echo "bench-proxy: nginx did not start" >&2; exit 1; }

cat >"$W/abs.lua" <<'LUA'
local target = os.getenv("TARGET_URL")
request = function() return wrk.format("GET", target) end
LUA
steal() { awk '/^cpu /{print $9, $2+$3+$4+$5+$6+$7+$8+$9}' /proc/stat; }
run() {  # NAME PORT PAGE
  local url="http://127.0.0.1:$origin/$3" s0 out rps p50 p99 errs st
  s0=$(steal)
  out=$(TARGET_URL="$url" wrk -t2 -c64 -d"${secs}s" --latency -s "$W/abs.lua" "http://127.0.0.1:$2" 2>&1)
  rps=$(echo "$out" | awk '/Requests\/sec/{print $2}')
  p50=$(echo "$out" | awk '$1=="50%"{print $2}')
  p99=$(echo "$out" | awk '$1=="99%"{print $2}')
  errs=$(echo "$out" | grep -E 'Non-2xx|Socket errors' | tr '\n' ' ')
  st=$(steal | awk -v a="$s0" 'BEGIN{split(a,x," ")} {d=$2-x[2]; printf "%.0f", (d > 0 ? 100*($1-x[1])/d : 0)}')
  printf '%-8s %-9s rps=%-10s p50=%-9s p99=%-9s steal=%-4s %s\n' "$1" "$3" "$rps" "$p50" "$p99" "$st%" "$errs"
}
echo "bench-proxy: $(nproc) cores, $(uname -m), $arch Wine $("$loader" --version 2>/dev/null), ${secs}s per run"
for page in p1k.html b1m.bin; do
  [ -n "$ceiling" ] && run ceiling "$ceiling" $page
  run blokkum "$ours" $page
done

# Socket calls per request: each Winsock call leaves one trace line on entry.
stop_relays
start_relays +winsock,+server
python3 - "$origin" "$ours" "$ceiling" "$W" <<'PY'
import socket, sys, time
origin, ours, ceiling, work = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
def fetch(port, n):
    s = socket.create_connection(("127.0.0.1", int(port)))
    req = ("GET http://127.0.0.1:%s/p1k.html HTTP/1.1\r\nHost: 127.0.0.1:%s\r\n\r\n" % (origin, origin)).encode()
    buf = b""
    for _ in range(n):
        s.sendall(req)
        while b"\r\n\r\n" not in buf:
            buf += s.recv(65536)
        head, _, buf = buf.partition(b"\r\n\r\n")
        length = [int(l.split(b":")[1]) for l in head.replace(b"\r", b"").split(b"\n") if l.lower().startswith(b"content-length:")][0]
        while len(buf) < length:
            buf += s.recv(65536)
        buf = buf[length:]
    s.close()
import re
server_call = re.compile(r"^[0-9a-f]{4}: [a-z_]+\((?!\) = )")  # a request to the Wine server, not its reply
def calls(trace):
    counts = {}
    for line in open(trace, errors="replace"):
        for name, key in (("WS2_sendto socket", "send"), ("WS2_recv_base socket", "recv"), (":select read", "select")):
            if name in line:
                counts[key] = counts.get(key, 0) + 1
        if server_call.match(line):
            counts["server"] = counts.get("server", 0) + 1
    return counts
for name, port in (("ceiling", ceiling), ("blokkum", ours)):
    if not port:
        continue
    trace = "%s/%s.trace" % (work, "ours" if name == "blokkum" else name)
    fetch(port, 5)
    time.sleep(0.5)
    before = calls(trace)
    fetch(port, 200)
    time.sleep(0.5)
    after = calls(trace)
    per = {k: (after.get(k, 0) - before.get(k, 0)) / 200.0 for k in ("send", "recv", "select", "server")}
    print("%-8s per 1 KB request: socket calls %.1f (send %.1f, recv %.1f, select %.1f), Wine server requests %.1f" %
          (name, per["send"] + per["recv"] + per["select"], per["send"], per["recv"], per["select"], per["server"]))
PY
