#!/usr/bin/env bash
# The run script's install step, into a fresh prefix of its own: every file of
# the products lies where the installer puts it, the installer's registry
# values are there, and the three COM libraries are registered at their
# installed paths. Then a second install keeps what the user changed.
#   InstallCheck.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "$build/wine/installcheck.XXXXXX")
prefix="$work/prefix"
cleanup() {
  env WINEPREFIX="$prefix" PATH="$build/wine/bin:/usr/lib/wine:$PATH" timeout 30 wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A copy of the tests' prefix as Wine made it stands for a fresh one: no
# install ever ran in it.
[ -f "$build/wine/prefix/.qv-ready" ] || { echo "FAILED: the build's Wine prefix is not ready"; exit 1; }
. "$root/scripts/prefix-copy.sh"
qv_prefix_copy "$build/wine" "$prefix" || { echo "FAILED: the prefix could not be copied"; exit 1; }

bash "$root/scripts/install.sh" "$build" "$work" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install.sh"; }

c="$prefix/drive_c"
q="$c/Program Files/Quorvane"
# products folder -> installed folder
place() {
  case "$1" in
    Blokkjack) echo "$q/Blokkum" ;; Grindhook) echo "$q/Grindel" ;;
    Tasklatch) echo "$c/windows/system32" ;; *) echo "$q/$1" ;;
  esac
}
files=0
while IFS= read -r f; do
  rel=${f#"$build/products/"}
  product=${rel%%/*}
  cmp -s "$f" "$(place "$product")/${rel#*/}" || fail "$rel not installed"
  files=$((files + 1))
done < <(find "$build/products" -type f)
[ $files -ge 20 ] || fail "only $files product files"
[ -f "$q/Blokkum/Sounds/PopUp.wav" ] || fail "no Sounds\\PopUp.wav"

# value FILE SECTION NAME: the value's text as the registry file stores it
# (backslashes doubled), sections matched without regard to case.
value() {
  local name="\"$3\""
  [ "$3" = @ ] && name=@
  awk -v section="[$(echo "$2" | sed 's/\\/\\\\\\\\/g')]" -v name="$name" '
    /^\[/ { inside = (tolower(substr($0, 1, length(section))) == tolower(section)) &&
                     substr($0, length(section) + 1, 1) ~ /^( |$)/; next }
    inside && index($0, name "=") == 1 { print substr($0, length(name) + 2); exit }' "$prefix/$1"
}
P='"C:\\Program Files\\Quorvane'
while IFS='|' read -r file section name expected; do
  got=$(value "$file" "$section" "$name")
  [ "$got" = "$expected" ] || fail "$section $name is '$got', not '$expected'"
done <<TABLE
user.reg|Software\\Quorvane Blokkum|Path|$P\\\\Blokkum"
user.reg|Software\\Quorvane Blokkum|Language|"English"
user.reg|Software\\Quorvane Blokkum|FirstRun|dword:00000001
user.reg|Software\\Quorvane Blokkum|User Wav Path|$P\\\\Blokkum\\\\Sounds\\\\PopUp.wav"
user.reg|Software\\Quorvane Grindel\\Shredder|AppPath|$P\\\\Grindel"
user.reg|Software\\Quorvane Grindel\\Shredder|Language|"English"
user.reg|Software\\Quorvane Swiftlane|AppPath|$P\\\\Swiftlane"
user.reg|Software\\Quorvane Swiftlane|Language|"English"
system.reg|Software\\Wine\\Drives|z:|"network"
system.reg|Software\\Classes\\CLSID\\{EB79BC53-151C-469D-B5C0-DACFFB14E452}\\InprocServer32|@|"C:\\\\windows\\\\system32\\\\Tasklatch.dll"
system.reg|Software\\Classes\\TaskScheduler.Schedule\\CLSID|@|"{EB79BC53-151C-469D-B5C0-DACFFB14E452}"
system.reg|Software\\Classes\\CLSID\\{82F4E188-BEAF-43D7-B3D0-2B8113D4B471}\\InprocServer32|@|$P\\\\Grindel\\\\Grindhook.dll"
system.reg|Software\\Classes\\CLSID\\{4DF1DB24-A57C-11d3-A180-00A0C90AE44B}\\InprocServer32|@|$P\\\\Blokkum\\\\Blokkjack.dll"
TABLE

# A second install (a new build) keeps the user's settings file.
echo "PopupPort=8200" >>"$q/Blokkum/QVINI.ini"
touch "$build/products/Blokkum/QVINI.ini.check" 2>/dev/null && rm -f "$build/products/Blokkum/QVINI.ini.check"
bash "$root/scripts/install.sh" "$build" "$work" >>"$work/install.log" 2>&1 || fail "second install.sh"
grep -q "PopupPort=8200" "$q/Blokkum/QVINI.ini" || fail "a second install replaced the user's QVINI.ini"
cmp -s "$build/products/Blokkum/Blokkum.exe" "$q/Blokkum/Blokkum.exe" || fail "second install lost Blokkum.exe"

[ $failures -eq 0 ] && echo "install: $files files, values and registrations in place"
exit $((failures > 0))
