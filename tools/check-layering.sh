#!/usr/bin/env bash
# Checks that the source folders depend on each other one way only:
#   support < core < formats < document < effects < devices < ui < cd, install < app
# A file may include its own folder and the folders below it, never one above
# (cd and install do not include each other). The program entry (app/)
# composes everything and may include anything. Portable code (outside the
# win32/ subfolders and app/) includes nothing from a win32/ folder.
#   usage: tools/check-layering.sh [SOURCE_ROOT]
# Prints each offending include and exits 1 when there is one.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

level() {
  case $1 in
    support) echo 0 ;; core) echo 1 ;; formats) echo 2 ;; document) echo 3 ;;
    effects) echo 4 ;; devices) echo 5 ;; ui) echo 6 ;; cd | install) echo 7 ;; app) echo 8 ;;
    *) echo "" ;;
  esac
}

bad=0
for dir in support core formats document effects devices ui cd install app; do
  [ -d "$root/$dir" ] || continue
  mine=$(level "$dir")
  while IFS= read -r file; do
    rel=${file#"$root"/}
    portable=1
    case $rel in */win32/* | app/*) portable=0 ;; esac
    while IFS= read -r line; do
      num=${line%%:*}
      text=${line#*:}
      if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([a-z0-9_]+)/([^\"]*)\" ]]; then
        target=${BASH_REMATCH[1]}
        path=${BASH_REMATCH[2]}
        theirs=$(level "$target")
        [ -n "$theirs" ] || continue
        if [ "$theirs" -gt "$mine" ] || { [ "$theirs" = "$mine" ] && [ "$target" != "$dir" ]; }; then
          echo "$rel:$num: $dir includes $target/$path from a folder above it"
          bad=1
        fi
        if [ $portable = 1 ] && [[ $path == win32/* || $path == */win32/* ]]; then
          echo "$rel:$num: portable code includes $target/$path"
          bad=1
        fi
      fi
    done < <(grep -n '#[[:space:]]*include' "$file")
  done < <(find "$root/$dir" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \))
done
exit $bad
