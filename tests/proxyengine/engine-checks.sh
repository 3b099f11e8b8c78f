#!/usr/bin/env bash
# Sourced by the Linux-side checks: a work folder that cleans up after itself,
# a local web server and the engine under Wine on ephemeral ports.
#   engine_checks_begin BUILD_DIR EXE      (sets $work)
#   start_web_server SITE_DIR [LOG]        (sets $http_port once ready)
#   start_engine [blokkum [SCRIPT_FILE]]   (sets $engine_port once ready)
#   load_page NAME [browser args...]       (headless Chromium loads $url)
engine_checks_begin() {
  build=$1
  exe=$2
  work=$(mktemp -d)
  server_pid=""
  engine_pid=""
  trap engine_checks_end EXIT
}

engine_checks_end() {
  touch "$work/stop"
  [ -n "$engine_pid" ] && wait "$engine_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}

wait_for_file() {
  for _ in $(seq 1 300); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  echo "timed out waiting for $1" >&2
  return 1
}

start_web_server() {
  python3 - "$1" "$work/http-port" "${2:-/dev/null}" <<'PY' &
import http.server, functools, sys
log = open(sys.argv[3], "a", buffering=1)
class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, fmt, *args):
        log.write(self.path + "\n")
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=sys.argv[1]))
open(sys.argv[2], "w").write(str(server.server_address[1]))
server.serve_forever()
PY
  server_pid=$!
  wait_for_file "$work/http-port"
  http_port=$(cat "$work/http-port")
}

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

start_engine() {
  local args=("$(winpath "$work/engine-port")" "$(winpath "$work/stop")" 150)
  [ $# -ge 1 ] && args+=("$1")
  [ $# -ge 2 ] && args+=("$(winpath "$2")")
  "$build/wine-run.sh" "$exe" "${args[@]}" &
  engine_pid=$!
  wait_for_file "$work/engine-port"
  engine_port=$(tr -d '\r\n' <"$work/engine-port")
}

# Headless Chromium ($browser) loads $url; the DOM it ends with goes to
# $work/NAME.html and the web server's requests of that load to $work/NAME.requests.
load_page() {
  local name=$1; shift
  : >"$work/requests.log"
  HOME="$work/home-$name" timeout 90 "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
    --disable-popup-blocking --user-data-dir="$work/profile-$name" --virtual-time-budget=3000 \
    "$@" --dump-dom "$url" >"$work/$name.html" 2>"$work/$name.err" || true
  cp "$work/requests.log" "$work/$name.requests"
}
