#!/usr/bin/env bash
# Fingerprints that say whether a build or an install is due: a digest of the
# contents of the files themselves, so that neither a folder made in the
# checkout (a build folder, a prefix) nor a file touched without a change
# calls for another build or install. Source it; then:
#   qv_source_state ROOT [FOLDER...]  what the build reads of the checkout:
#       CMakeLists.txt, cmake/, resources/ and every folder at the top that
#       holds a CMakeLists.txt; with git, their tracked files and the
#       untracked ones it does not ignore; without git (or outside a work
#       tree), every file in them. The FOLDERs (build folders kept elsewhere
#       in ROOT) never count, nor does anything else: a screenshot or notes
#       at the top of the checkout, the scripts, the README.
#   qv_tree_state FOLDER              every file below FOLDER (the products)
# Each prints one line; a file that comes, goes, is renamed or changes changes it.

# The parts of the checkout ROOT that the build reads, as ./NAME.
qv_build_inputs() {
  local d
  for d in CMakeLists.txt cmake resources; do [ -e "$1/$d" ] && echo "./$d"; done
  for d in "$1"/*/CMakeLists.txt; do
    [ -f "$d" ] || continue
    d=${d%/CMakeLists.txt}
    echo "./${d##*/}"
  done
}

qv_source_state() {
  local root=$1 f
  shift
  local pathspec=() prune=()
  for f in "$@"; do
    f=${f%/}
    case "$f" in
      "$root"/?*) pathspec+=(":(exclude)${f#"$root"/}"); prune+=(-o -path "./${f#"$root"/}") ;;
    esac
  done
  (
    cd "$root" || exit 1
    local inputs=()
    mapfile -t inputs < <(qv_build_inputs .)
    [ ${#inputs[@]} -gt 0 ] || exit 0
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
      # A tracked file that is gone drops out of md5sum's list, which changes it too.
      git ls-files -z --cached --others --exclude-standard -- "${inputs[@]}" "${pathspec[@]}" |
        xargs -0 -r md5sum -- 2>/dev/null
    else
      find "${inputs[@]}" \( -name .git -o -type d \( -path './build*' "${prune[@]}" \) \) -prune -o -type f -print0 |
        LC_ALL=C sort -z | xargs -0 -r md5sum --
    fi
    :  # a pipe of the caller's "set -o pipefail" must not fail on a gone file
  ) | md5sum | cut -d' ' -f1
}

qv_tree_state() {
  [ -d "$1" ] || { echo none; return 0; }
  (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r md5sum --) | md5sum | cut -d' ' -f1
}
