#!/usr/bin/env bash
# Fingerprints that say whether a build or an install is due: a digest of the
# contents of the files themselves, so that neither a folder made in the
# checkout (a build folder, a prefix) nor a file touched without a change
# calls for another build or install. Source it; then:
#   qv_source_state ROOT [FOLDER...]  the checkout's sources: with git, its
#       tracked files and the untracked ones it does not ignore; without git
#       (or outside a work tree), every file below ROOT but .git and build*.
#       The FOLDERs (build folders kept elsewhere in ROOT) never count.
#   qv_tree_state FOLDER              every file below FOLDER (the products)
# Each prints one line; a file that comes, goes, is renamed or changes changes it.

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
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
      # A tracked file that is gone drops out of md5sum's list, which changes it too.
      git ls-files -z --cached --others --exclude-standard -- . "${pathspec[@]}" |
        xargs -0 -r md5sum -- 2>/dev/null
    else
      find . \( -name .git -o -type d \( -path './build*' "${prune[@]}" \) \) -prune -o -type f -print0 |
        LC_ALL=C sort -z | xargs -0 -r md5sum --
    fi
    :  # a pipe of the caller's "set -o pipefail" must not fail on a gone file
  ) | md5sum | cut -d' ' -f1
}

qv_tree_state() {
  [ -d "$1" ] || { echo none; return 0; }
  (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r md5sum --) | md5sum | cut -d' ' -f1
}
