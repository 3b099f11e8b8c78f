#!/usr/bin/env bash
# Fetches files from a local Linux web server with curl through the engine
# running under Wine, and compares them byte for byte with the originals.
#   curl-through-engine.sh BUILD_DIR PROXYENGINESERVE_EXE
set -euo pipefail
. "$(dirname "$0")/engine-checks.sh"
engine_checks_begin "$1" "$2"

mkdir "$work/site"
printf '<html><head><title>t</title></head><body>%s</body></html>\n' "$(head -c 3000 /dev/zero | tr '\0' 'p')" >"$work/site/page.html"
head -c 3145728 /dev/urandom >"$work/site/blob.bin"
printf 'plain text\r\nwith lines\n' >"$work/site/notes.txt"
: >"$work/site/empty.html"

start_web_server "$work/site"
start_engine
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
