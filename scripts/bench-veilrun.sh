#!/usr/bin/env bash
# Request latency of the real Veilrun with a long site list, under Wine:
#   scripts/bench-veilrun.sh [SECONDS_PER_RUN] [SITES...]     (default 25 s; 3 10000 30000 sites)
# For each site count, Veilrun starts from a program folder whose Options.opt
# holds that many sites (as a long-time user's does: every ad or CDN host is
# one) and, once its proxy listens on 127.0.0.1:8100, a browser-like client
# starts one request every 0.2 s to a local origin through it, first while
# Veilrun sits hidden in the tray as it starts, then with its window shown on
# the Sites page. Prints per run the requests sent, those finished within the
# run, the median and the slowest of them, and how many were still waiting at
# its end (with the slowest once they finished); per start the seconds
# until the proxy listened and until the window answered a message; and the
# number of sites Options.opt held after the Exit.
# Veilrun listens on its fixed port 8100: where that port is taken (Blokkum
# or Veilrun running), the script runs itself again in a network namespace of
# its own (as root). QV_BENCH_NO_BUILD=1 skips the build step;
# QV_BENCH_VEILRUN=EXE measures another build's Veilrun.exe (its Block and
# Language folders beside it).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
secs=${1:-25}
shift $(( $# > 0 ? 1 : 0 ))
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(3 10000 30000)

port_taken() { (exec 3<>/dev/tcp/127.0.0.1/8100) 2>/dev/null; }
if port_taken; then
  if [ -z "${QV_BENCH_UNSHARED:-}" ] && [ "$(id -u)" = 0 ] && command -v unshare >/dev/null; then
    exec unshare -n env QV_BENCH_UNSHARED=1 bash -c 'ip link set lo up && exec bash "$0" "$@"' "$0" "$secs" "${counts[@]}"
  fi
  echo "bench-veilrun: 127.0.0.1:8100 is taken; end the proxy that holds it (or run as root)" >&2
  exit 1
fi

[ "${QV_BENCH_NO_BUILD:-0}" = 1 ] || bash "$root/scripts/build.sh" >/dev/null || exit 1
. "$root/scripts/arch.sh"
qv_built_program products/Veilrun/Veilrun.exe "${QV_BENCH_VEILRUN:-}" || exit 1
exe=$program
for t in Xvfb python3 $cxx; do command -v $t >/dev/null || { echo "bench-veilrun: $t is needed" >&2; exit 1; }; done

W=$(mktemp -d -t qvveil.XXXX)
export WINEPREFIX=$W/prefix WINEARCH=$arch WINEDEBUG=-all HOME=$W/home XDG_DATA_HOME=$W/home/.local/share
export WINEDLLOVERRIDES="winealsa.drv=d;mscoree=d;mshtml=d;winemenubuilder.exe=d"
mkdir -p "$HOME"
xvfb="" origin_pid=""
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null
  [ -n "$origin_pid" ] && kill "$origin_pid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  sleep 0.3
  rm -rf "$W"
}
trap cleanup EXIT
mkfifo "$W/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$W/displayfd" </dev/null >/dev/null 2>&1 &
xvfb=$!
read -r -t 20 num <"$W/displayfd" || { echo "bench-veilrun: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$num
timeout 180 "$loader" wineboot --init >/dev/null 2>&1
/usr/lib/wine/wineserver -w 2>/dev/null

# Finds Veilrun's window (a dialog captioned "Quorvane Veilrun") and waits
# until it answers; "show" and "exit" first send the tray menu's commands.
cat >"$W/ctl.cpp" <<'CPP'
#include <windows.h>
#include <cstdio>
#include <cstring>
int main(int argc, char** argv) {
    const char* what = argc > 1 ? argv[1] : "answer";
    const DWORD began = GetTickCount();
    HWND window = nullptr;
    while (GetTickCount() - began < 600000) {
        window = FindWindowA("#32770", "Quorvane Veilrun");
        DWORD_PTR reply = 0;
        if (window && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 200, &reply)) break;
        window = nullptr;
        Sleep(50);
    }
    if (!window) return 1;
    if (!strcmp(what, "show")) PostMessageA(window, WM_COMMAND, 9001, 0);
    if (!strcmp(what, "exit")) PostMessageA(window, WM_COMMAND, 9002, 0);
    printf("%.2f\n", (GetTickCount() - began) / 1000.0);
    return 0;
}
CPP
$cxx -O1 -static -o "$W/ctl.exe" "$W/ctl.cpp" || exit 1

mkdir -p "$W/www"
head -c 2000 /dev/zero | tr '\0' x | sed 's/^/<html><body>/; s/$/<\/body><\/html>/' >"$W/www/p.html"
origin=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
(cd "$W/www" && exec python3 -m http.server "$origin" --bind 127.0.0.1 >/dev/null 2>&1) &
origin_pid=$!

# Options.opt: the three browser switches on, no wipes, English, the four
# default-site options off, then the sites, each following the defaults.
write_options() {  # FILE COUNT
  python3 - "$1" "$2" <<'PY'
import random, struct, sys, time
path, count = sys.argv[1], int(sys.argv[2])
random.seed(count)
now = int(time.time())
out = [struct.pack("<9i", 1, 1, 1, 0, 0, 0, 0, 0, 0), bytes([7]), b"English", struct.pack("<4i", 0, 0, 0, 0),
       struct.pack("<i", count)]
for i in range(count):
    host = ("s%05d.%s.example" % (i, random.choice(["ads", "cdn", "img", "news", "shop"]))).encode()
    out.append(struct.pack("<i", 0) + bytes([len(host)]) + host +
               struct.pack("<8i", now - random.randint(0, 86400 * 300), random.randint(1, 500), 1, 0, 0, 0, 0, 0))
open(path, "wb").write(b"".join(out))
PY
}

# One request every 0.2 s for SECONDS through the proxy, each on a
# connection of its own, as a page's pieces come from a browser.
load() {  # LABEL SECONDS
  python3 - "$origin" "$2" "$1" <<'PY'
import socket, sys, threading, time
origin, secs, label = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
req = ("GET http://127.0.0.1:%d/p.html HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n\r\n" % (origin, origin)).encode()
done = []
def one():
    start = time.monotonic()
    ok = False
    try:
        s = socket.create_connection(("127.0.0.1", 8100), timeout=300)
        s.sendall(req)
        data = b""
        while True:
            piece = s.recv(65536)
            if not piece:
                break
            data += piece
        s.close()
        ok = data.startswith(b"HTTP/1.") and data.split(b"\r\n", 1)[0].split()[1:2] == [b"200"]
    except OSError:
        pass
    done.append((start, time.monotonic(), ok))
t0 = time.monotonic()
threads = []
n = int(secs / 0.2)
for i in range(n):
    delay = t0 + i * 0.2 - time.monotonic()
    if delay > 0:
        time.sleep(delay)
    t = threading.Thread(target=one, daemon=True)
    t.start()
    threads.append(t)
end = t0 + secs
time.sleep(max(0, end - time.monotonic()))
inside = sorted(b - a for a, b, ok in list(done) if ok and b <= end)
waiting = n - len([1 for a, b, ok in list(done) if b <= end])
for t in threads:
    t.join(max(0.1, end + 180 - time.monotonic()))
finished = list(done)
failed = len([1 for a, b, ok in finished if not ok])
slowest_all = max((b - a for a, b, ok in finished), default=0)
line = "%-7s sent %3d, finished %3d, median %6.3f s, slowest %7.3f s" % (
    label, n, len(inside), inside[len(inside) // 2] if inside else 0, inside[-1] if inside else 0)
if waiting and len(finished) < n:
    line += ", %d still waiting at the end (%d of them after 180 s more)" % (waiting, n - len(finished))
elif waiting:
    line += ", %d still waiting at the end (slowest of all %.1f s)" % (waiting, slowest_all)
if failed:
    line += ", %d failed" % failed
print(line)
PY
}

echo "bench-veilrun: $(nproc) cores, $(uname -m), $arch Wine $("$loader" --version 2>/dev/null), ${secs}s per run, $exe"
for count in "${counts[@]}"; do
  dir=$W/Veilrun-$count
  mkdir -p "$dir"
  cp -r "$(dirname "$exe")"/. "$dir/"
  write_options "$dir/Options.opt" "$count"
  began=$(date +%s.%N)
  "$loader" "$dir/$(basename "$exe")" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 3000); do port_taken && break; sleep 0.1; done
  listening=$(python3 -c "import time; print('%.2f' % (time.time() - $began))")
  "$loader" "$W/ctl.exe" answer >/dev/null 2>&1
  answered=$(python3 -c "import time; print('%.2f' % (time.time() - $began))")
  echo "$count sites: listening after $listening s, window answering after $answered s"
  load hidden "$secs"
  "$loader" "$W/ctl.exe" show >/dev/null 2>&1
  load shown "$secs"
  "$loader" "$W/ctl.exe" exit >/dev/null 2>&1
  for _ in $(seq 1 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  if kill "$pid" 2>/dev/null; then
    echo "Veilrun did not end within 120 s of its Exit (ended; nothing saved)"
  else
    # The count Veilrun saved tells that it read every site (and added its one).
    python3 -c 'import struct, sys; b = open(sys.argv[1], "rb").read(); print("Options.opt at exit: %d sites" % struct.unpack_from("<i", b, 60)[0])' \
      "$dir/Options.opt" 2>/dev/null || echo "Options.opt at exit: not written"
  fi
  /usr/lib/wine/wineserver -k 2>/dev/null
  /usr/lib/wine/wineserver -w 2>/dev/null
done
