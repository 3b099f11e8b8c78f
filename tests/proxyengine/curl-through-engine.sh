#!/usr/bin/env bash
# Fetches files from a local Linux web server with curl through the engine
# running under Wine, and compares them byte for byte with the originals.
#   curl-through-engine.sh BUILD_DIR PROXYENGINESERVE_EXE
set -euo pipefail
build=$1
exe=$2
work=$(mktemp -d)
server_pid=""
engine_pid=""
cleanup() {
  touch "$work/stop"
  [ -n "$engine_pid" ] && wait "$engine_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/site"
printf '<html><head><title>t</title></head><body>%s</body></html>\n' "$(head -c 3000 /dev/zero | tr '\0' 'p')" >"$work/site/page.html"
head -c 3145728 /dev/urandom >"$work/site/blob.bin"
printf 'plain text\r\nwith lines\n' >"$work/site/notes.txt"
: >"$work/site/empty.html"

python3 - "$work/site" "$work/http-port" <<'PY' &
import http.server, functools, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
handler.log_message = lambda *a: None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
open(sys.argv[2], "w").write(str(server.server_address[1]))
server.serve_forever()
PY
server_pid=$!

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
"$build/wine-run.sh" "$exe" "$(winpath "$work/engine-port")" "$(winpath "$work/stop")" 120 &
engine_pid=$!

for _ in $(seq 1 300); do
  [ -s "$work/http-port" ] && [ -s "$work/engine-port" ] && break
  sleep 0.1
done
http_port=$(cat "$work/http-port")
engine_port=$(tr -d '\r\n' <"$work/engine-port")
echo "web server on $http_port, engine on $engine_port"

fail=0
for f in page.html blob.bin notes.txt empty.html; do
  curl -sS --noproxy '' -x "http://127.0.0.1:$engine_port" -o "$work/got-$f" "http://127.0.0.1:$http_port/$f"
  if cmp -s "$work/site/$f" "$work/got-$f"; then
    echo "ok   $f"
  else
    echo "FAIL $f differs"; fail=1
  fi
done
code=$(curl -s --noproxy '' -x "http://127.0.0.1:$engine_port" -o /dev/null -w '%{http_code}' "http://127.0.0.1:$http_port/missing")
[ "$code" = 404 ] && echo "ok   missing file gives 404" || { echo "FAIL missing file gave $code"; fail=1; }
exit $fail
