#!/usr/bin/env bash
# The test command's fresh start: whatever a run changed or left in the tests'
# prefix (registry, HOSTS file, tasks, Startup folder, Windows folder, the top
# of C:, the home's trash), the next run finds the prefix as Wine made it, and
# a prefix of another Wine version, or one never finished, is made anew. Run
# on a prefix laid out by a stand-in for Wine, which only makes the folders.
#   PristineCheck.sh
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

bin="$work/build/wine/bin"
mkdir -p "$bin"
echo win32 >"$work/build/wine/arch"
echo "wine-a" >"$work/version"
cat >"$bin/wine" <<EOF
#!/bin/sh
case "\$1" in
  --version) cat "$work/version" ;;
  wineboot)
    echo made >>"$work/made"
    c="\$WINEPREFIX/drive_c"
    mkdir -p "\$c/users/root/Start Menu/Startup" "\$c/ProgramData" "\$c/Program Files" \\
             "\$c/windows/tasks" "\$c/windows/temp" "\$c/windows/system32/drivers/etc" "\$HOME/.local/share"
    echo '[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Internet Settings]' >"\$WINEPREFIX/user.reg"
    echo system >"\$WINEPREFIX/system.reg"
    echo '127.0.0.1 localhost' >"\$c/windows/system32/drivers/etc/hosts"
    echo '[windows]' >"\$c/windows/win.ini" ;;
esac
EOF
printf '#!/bin/sh\nexit 0\n' >"$bin/wineserver"
chmod +x "$bin/wine" "$bin/wineserver"

pristine() { (. "$root/scripts/wine-env.sh" "$work/build" && qv_wine_pristine) >/dev/null 2>&1; }
snapshot() { (cd "$work/build/wine" && find prefix home -printf '%p %s %m\n' | LC_ALL=C sort && cat prefix/*.reg); }
made() { wc -l <"$work/made" 2>/dev/null || echo 0; }

pristine || fail "the first prefix was not made"
first=$(snapshot)
p="$work/build/wine/prefix"
c="$p/drive_c"
# Each line: what a run changes or leaves behind.
while IFS= read -r change; do
  (cd "$work/build/wine" && eval "$change") || { fail "could not change: $change"; continue; }
  pristine || fail "putting back failed after: $change"
  [ "$(snapshot)" = "$first" ] || fail "not put back: $change"
done <<'EOF'
echo '[Software\\Quorvane Blokkum]' >>prefix/user.reg
sed -i 1d prefix/user.reg
echo '127.0.0.1 qvblokkum' >>prefix/drive_c/windows/system32/drivers/etc/hosts && chmod 444 prefix/drive_c/windows/system32/drivers/etc/hosts
echo job >prefix/drive_c/windows/tasks/left.job
echo link >"prefix/drive_c/users/root/Start Menu/Startup/left.lnk"
rm prefix/drive_c/windows/win.ini && echo rec >prefix/drive_c/windows/SaveProf.pro
mkdir -p prefix/drive_c/Recent prefix/drive_c/windows/Tasks2 && echo x >prefix/drive_c/Recent/keep.lnk
mkdir -p home/.local/share/Trash/files && echo x >home/.local/share/Trash/files/secret.txt
EOF
[ "$(made)" = 1 ] || fail "a prefix that was only changed was made anew"

echo "wine-b" >"$work/version"
echo job >"$c/windows/tasks/left.job"
pristine && [ "$(made)" = 2 ] && [ ! -e "$c/windows/tasks/left.job" ] || fail "another Wine version's prefix was kept"
rm "$p/.qv-ready"
pristine && [ "$(made)" = 3 ] && [ -f "$p/.qv-ready" ] || fail "an unfinished prefix was kept"

[ $failures = 0 ] && echo "ok   each run finds the tests' prefix as Wine made it"
exit $((failures > 0))
