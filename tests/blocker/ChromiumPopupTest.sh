#!/usr/bin/env bash
# The road of a page through Blokkum: headless Chromium loads a local page
# whose script opens a pop-up while it loads (no click asked for it). Loaded
# directly the pop-up opens, so the check can fail; through Blokkum's proxy
# under Wine, with the shipped QVBlk.js, the pop-up is blocked and the page's
# title carries the marker that Blokkum's tray sheet counts.
#   ChromiumPopupTest.sh BUILD_DIR BLOKKUMPROXYSERVE_EXE
# Exit code 77 (skipped) when Chromium is not installed.
set -euo pipefail
. "$(dirname "$0")/../proxyengine/engine-checks.sh"
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "chromium is not installed: skipped"
  exit 77
fi
engine_checks_begin "$1" "$2"

script="$build/products/Blokkum/QVBlk.js"
marker=$(sed -n 's/.*var MARKER = "\([^"]*\)".*/\1/p' "$script")
[ -n "$marker" ] || { echo "FAIL no marker in $script"; exit 1; }
mkdir "$work/site" "$work/blokkum"
cp "$script" "$work/blokkum/QVBlk.js"
printf '[QuorvaneBlokkum]\r\nPlayWave=0\r\n' >"$work/blokkum/QVINI.ini"
cat >"$work/site/page.html" <<'HTML'
<html><head><title>Start</title></head>
<body><p>The page itself.</p>
<script>window.onload = function () { window.open('popup.html', 'ad', 'width=300'); };</script>
</body></html>
HTML
printf '<html><body>pop-up</body></html>\n' >"$work/site/popup.html"

start_web_server "$work/site" "$work/requests.log"
start_engine blokkum "$work/blokkum"
url="http://127.0.0.1:$http_port/page.html"

load_page direct
# Loopback addresses bypass a proxy unless the implicit rule is removed.
load_page proxied --proxy-server="http://127.0.0.1:$engine_port" --proxy-bypass-list='<-loopback>'

fail=0
if grep -q '^/popup.html' "$work/direct.requests"; then echo "ok   directly, the pop-up opens"
else echo "FAIL directly, the pop-up did not open"; fail=1; fi
if grep -q '^/page.html' "$work/proxied.requests"; then echo "ok   the page came through Blokkum's proxy"
else echo "FAIL the page did not come through the proxy"; fail=1; fi
if grep -q '^/popup.html' "$work/proxied.requests"; then echo "FAIL through Blokkum, the pop-up opened"; fail=1
else echo "ok   through Blokkum, the pop-up is blocked"; fi
if grep -qF "<title>${marker}Start</title>" "$work/proxied.html"; then echo "ok   the title carries the marker"
else echo "FAIL the title carries no marker"; fail=1; fi
if [ $fail -ne 0 ]; then
  for f in direct proxied; do echo "--- $f"; tail -c 600 "$work/$f.html"; tail -5 "$work/$f.err"; cat "$work/$f.requests"; done
fi
exit $fail
