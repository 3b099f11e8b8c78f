#!/usr/bin/env bash
# A real browser through the engine: headless Chromium loads a local page that
# calls window.open while it loads. Directly, the pop-up opens (so the check
# can fail); through the engine under Wine, the script put in front of the
# page makes window.open return null, and the page itself renders the same.
#   chromium-popup-check.sh BUILD_DIR PROXYENGINESERVE_EXE
# Exit code 77 (skipped) when Chromium is not installed.
set -euo pipefail
. "$(dirname "$0")/engine-checks.sh"
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  echo "chromium is not installed: skipped"
  exit 77
fi
engine_checks_begin "$1" "$2"

mkdir "$work/site"
cat >"$work/site/page.html" <<'HTML'
<html><head><title>loading</title></head>
<body><h1>Quorvane test page</h1><p id="text">The page itself.</p>
<script>
var w = window.open('popup.html', 'popup', 'width=200,height=200');
document.title = w ? 'popup-opened' : 'popup-null';
</script>
</body></html>
HTML
printf '<html><body>pop-up</body></html>\n' >"$work/site/popup.html"
# The blocking script the engine puts in front of pages: the page's own calls
# of open() create no window.
cat >"$work/popup-script.js" <<'JS'
<script language="JavaScript" type="text/javascript">
<!-- hide
function open(URL, name, features, replace) { window.status = "Pop-up blocked: " + URL; return null; }
//-->
</script>
JS

start_web_server "$work/site" "$work/requests.log"
start_engine blokkum "$work/popup-script.js"
url="http://127.0.0.1:$http_port/page.html"

load_page direct
# Loopback addresses bypass a proxy unless the implicit rule is removed.
load_page proxied --proxy-server="http://127.0.0.1:$engine_port" --proxy-bypass-list='<-loopback>'

body() { python3 -c 'import re,sys; t=open(sys.argv[1]).read(); m=re.search(r"<body>.*</body>", t, re.S); print(m.group(0) if m else "")' "$1"; }
fail=0
if grep -q '<title>popup-opened</title>' "$work/direct.html"; then echo "ok   directly, window.open opens the pop-up"
else echo "FAIL directly, the pop-up did not open"; fail=1; fi
if grep -q '<title>popup-null</title>' "$work/proxied.html"; then echo "ok   through the engine, window.open returns null"
else echo "FAIL through the engine, window.open did not return null"; fail=1; fi
if grep -q '^/popup.html' "$work/direct.requests"; then echo "ok   directly, the pop-up window loaded"
else echo "FAIL directly, no pop-up window loaded"; fail=1; fi
if grep -q '^/popup.html' "$work/proxied.requests"; then echo "FAIL through the engine, a second window loaded"; fail=1
else echo "ok   through the engine, no second window loaded"; fi
if grep -q 'Pop-up blocked' "$work/proxied.html" && [ -n "$(body "$work/direct.html")" ] &&
   [ "$(body "$work/direct.html")" = "$(body "$work/proxied.html")" ]; then
  echo "ok   the page renders as without the engine"
else
  echo "FAIL the page differs through the engine"; fail=1
fi
if [ $fail -ne 0 ]; then
  for f in direct proxied; do echo "--- $f"; cat "$work/$f.html"; tail -5 "$work/$f.err"; cat "$work/$f.requests"; done
fi
exit $fail
