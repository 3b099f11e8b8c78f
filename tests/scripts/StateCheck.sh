#!/usr/bin/env bash
# The fingerprints that decide whether the run script builds and installs:
# each change to the sources or products changes them, and nothing else does
# (a build folder made in the checkout, a file touched without a change, an
# ignored file, a file the build does not read: a screenshot at the top, the
# scripts, the README). The sources are checked in a git work tree and, as
# where git is missing, in the same files without it.
#   StateCheck.sh
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/state.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# change EXPECTED DESCRIPTION COMMAND...: runs the command in the checkout and
# checks whether the source fingerprint moved ("moves") or not ("stays").
change() {
  local expected=$1 what=$2 before after
  shift 2
  before=$(qv_source_state "$src" "$src/out")
  (cd "$src" && "$@") || { echo "FAILED: $mode: $what could not be done"; failures=$((failures + 1)); return; }
  after=$(qv_source_state "$src" "$src/out")
  local moved=stays
  [ "$before" != "$after" ] && moved=moves
  [ "$moved" = "$expected" ] || { echo "FAILED: $mode: $what: the fingerprint $moved"; failures=$((failures + 1)); }
}

for mode in git plain; do
  src="$work/$mode"
  mkdir -p "$src/lib" "$src/cmake" "$src/resources" "$src/scripts"
  printf 'add_subdirectory(lib)\n' >"$src/CMakeLists.txt"
  printf 'add_library(lib a.cpp)\n' >"$src/lib/CMakeLists.txt"
  printf 'int a;\n' >"$src/lib/a.cpp"
  printf 'int b;\n' >"$src/lib/b.cpp"
  printf 'set(x 1)\n' >"$src/cmake/tool.cmake"
  printf '[texts]\n' >"$src/resources/English.ini"
  printf 'echo run\n' >"$src/scripts/run.sh"
  printf 'notes\n' >"$src/README.md"
  printf '/build*/\n*.tmp~\n' >"$src/.gitignore"
  if [ $mode = git ]; then
    git -C "$src" init -q && git -C "$src" add -A && git -C "$src" -c user.name=t -c user.email=t@t commit -qm t ||
      { echo "FAILED: no git work tree to check"; exit 1; }
  fi
  change stays "a build folder made with files in it" sh -c 'mkdir -p build64/x && echo o >build64/x/o.obj'
  change stays "a named build folder outside the ignored ones" sh -c 'mkdir out && echo o >out/o.obj'
  change stays "a source touched without a change" touch -d '+1 hour' lib/a.cpp
  change moves "a source changed" sh -c 'echo "int a2;" >>lib/a.cpp'
  change moves "a new source" sh -c 'echo "int c;" >lib/c.cpp'
  change moves "a source renamed" mv lib/c.cpp lib/d.cpp
  change moves "a source removed" rm lib/b.cpp
  change moves "a resource changed" sh -c 'echo "1=x" >>resources/English.ini'
  change moves "a cmake file changed" sh -c 'echo "set(y 2)" >>cmake/tool.cmake'
  change moves "a new folder the build reads" sh -c 'mkdir tools && echo "add_executable(t t.cpp)" >tools/CMakeLists.txt'
  change stays "a screenshot at the top" sh -c 'echo png >screen.png'
  change stays "a script changed" sh -c 'echo "echo more" >>scripts/run.sh'
  change stays "the README changed" sh -c 'echo more >>README.md'
  change stays "a folder without a CMakeLists.txt" sh -c 'mkdir notes && echo x >notes/n.txt'
  [ $mode = git ] && change stays "an ignored file" sh -c 'echo x >lib/notes.tmp~'
done

# The products: touched alone they stay, changed they move.
products="$work/products"
mkdir -p "$products/Blokkum/Language"
echo exe >"$products/Blokkum/Blokkum.exe"
echo pack >"$products/Blokkum/Language/English.ini"
first=$(qv_tree_state "$products")
touch -d '+1 hour' "$products/Blokkum/Blokkum.exe"
[ "$(qv_tree_state "$products")" = "$first" ] || { echo "FAILED: touched products count as changed"; failures=$((failures + 1)); }
echo exe2 >"$products/Blokkum/Blokkum.exe"
[ "$(qv_tree_state "$products")" != "$first" ] || { echo "FAILED: a changed product goes unseen"; failures=$((failures + 1)); }

[ $failures = 0 ] && echo "ok   the fingerprints move with the sources and products alone"
exit $((failures > 0))
