#!/usr/bin/env bash
# The road of a page through Blokkum: headless Chromium loads a local page
# whose script opens a pop-up while it loads (no click asked for it). Loaded
# directly the pop-up opens, so the check can fail; through Blokkum's proxy
# under Wine, with the shipped QVBlk.js, the pop-up is blocked and the page's
# title carries the marker that Blokkum's tray sheet counts. A second page
# that declares its document type and, in a <meta> only, its character set
# reads and lays out through Blokkum as it does directly: standards mode, its
# text decoded as UTF-8, and its pop-up blocked all the same.
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
# The server names no character set in its header (text/html alone).
cat >"$work/site/standards.html" <<'HTML'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Standards</title></head>
<body><p id="text">æø</p><p id="mode"></p>
<script>
document.getElementById('mode').textContent = document.compatMode + ' ' + document.characterSet;
window.onload = function () { window.open('popup.html', 'ad', 'width=300'); };
</script>
</body></html>
HTML

start_web_server "$work/site" "$work/requests.log"
start_engine blokkum "$work/blokkum"
url="http://127.0.0.1:$http_port/page.html"

load_page direct
# Loopback addresses bypass a proxy unless the implicit rule is removed.
load_page proxied --proxy-server="http://127.0.0.1:$engine_port" --proxy-bypass-list='<-loopback>'

url="http://127.0.0.1:$http_port/standards.html"
load_page standards-direct
load_page standards-proxied --proxy-server="http://127.0.0.1:$engine_port" --proxy-bypass-list='<-loopback>'

fail=0
for f in standards-direct standards-proxied; do
  if grep -q '<p id="mode">CSS1Compat UTF-8</p>' "$work/$f.html" && grep -q '<p id="text">æø</p>' "$work/$f.html"; then
    echo "ok   $f: the page is in standards mode and its text reads as UTF-8"
  else
    echo "FAIL $f: the page lost its mode or its character set"; fail=1
  fi
done
if grep -q '^/popup.html' "$work/standards-proxied.requests"; then echo "FAIL through Blokkum, the standards page's pop-up opened"; fail=1
elif grep -q '^/popup.html' "$work/standards-direct.requests"; then echo "ok   the standards page's pop-up opens directly and is blocked through Blokkum"
else echo "FAIL directly, the standards page's pop-up did not open"; fail=1; fi
if grep -q '^/popup.html' "$work/direct.requests"; then echo "ok   directly, the pop-up opens"
else echo "FAIL directly, the pop-up did not open"; fail=1; fi
if grep -q '^/page.html' "$work/proxied.requests"; then echo "ok   the page came through Blokkum's proxy"
else echo "FAIL the page did not come through the proxy"; fail=1; fi
if grep -q '^/popup.html' "$work/proxied.requests"; then echo "FAIL through Blokkum, the pop-up opened"; fail=1
else echo "ok   through Blokkum, the pop-up is blocked"; fi
if grep -qF "<title>${marker}Start</title>" "$work/proxied.html"; then echo "ok   the title carries the marker"
else echo "FAIL the title carries no marker"; fail=1; fi
if [ $fail -ne 0 ]; then
  for f in direct proxied standards-direct standards-proxied; do echo "--- $f"; tail -c 600 "$work/$f.html"; tail -5 "$work/$f.err"; cat "$work/$f.requests"; done
fi
exit $fail
