#!/usr/bin/env bash
# A prefix of its own for a check that must not change the tests' prefix,
# made in a second or so: Wine's own files are hard links to the tests'
# prefix (they never change), while the places programs change (the
# registry, the profiles with their temporary folders, the Windows folder's
# own files, Tasks, temp, HOSTS) are copies of the prefix as Wine made it.
# Other suites create and shred files in those places while the check runs;
# a link to one of those would give it a second name and change how it is
# shredded. Source it, then:
#   qv_prefix_copy WINE_DIR DEST    (WINE_DIR: build/wine, with prefix/ and pristine/)

qv_prefix_copy() {
  local wine=$1 dest=$2 kept=$1/pristine tmp
  [ -f "$kept/places.tar" ] && [ -f "$kept/places" ] && [ ! -e "$dest" ] || return 1
  tmp=$(mktemp -d "$wine/copy.XXXXXX") || return 1
  if ! tar -xf "$kept/places.tar" -C "$tmp" prefix 2>/dev/null || ! mv "$tmp/prefix" "$dest"; then
    rm -rf "$tmp"
    return 1
  fi
  rm -rf "$tmp"
  qv_link_rest "$wine/prefix" "$dest" "" "$kept"
}

# Links what the copy of the places left out, never into a place itself and
# never what a run added at the top of C: or of the Windows folder.
qv_link_rest() {  # SRC DEST RELATIVE KEPT
  local src=$1 dest=$2 rel=$3 kept=$4 here entry name path
  here=$src${rel:+/$rel}
  for entry in "$here"/* "$here"/.[!.]* "$here"/..?*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    name=${entry##*/}
    path=${rel:+$rel/}$name
    grep -qxF "prefix/$path" "$kept/places" && continue
    case $rel in
      drive_c) grep -qxF "$name" "$kept/top-of-c" || continue ;;
      drive_c/windows) grep -qxF "$name" "$kept/top-of-windows" || continue ;;
    esac
    if [ -d "$dest/$path" ] && [ ! -L "$entry" ]; then
      qv_link_rest "$src" "$dest" "$path" "$kept"
    elif [ ! -e "$dest/$path" ] && [ ! -L "$dest/$path" ]; then
      cp -al "$entry" "$dest/$path" 2>/dev/null
    fi
  done
}
