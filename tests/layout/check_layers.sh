#!/usr/bin/env bash
# Every folder of src/ is one layer; a file may include its own layer and those below
# it, never one above (or a sibling: the views and the dialogs know nothing of each
# other). Prints each include that goes the wrong way and fails if there is one.
# usage: check_layers.sh SRC_DIR
set -u
src=${1:?usage: check_layers.sh SRC_DIR}
declare -A rank=([platform]=0 [store]=1 [net]=2 [transfer]=3 [doc]=4
                 [res]=5 [qt]=6 [views]=7 [dialogs]=7 [app]=8)
bad=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  [ -n "${rank[$layer]+x}" ] || { echo "unknown folder: src/$layer"; bad=1; continue; }
  if [ -n "$(find "$dir" -mindepth 2 -name '*.cpp' -o -mindepth 2 -name '*.h')" ]; then
    echo "src/$layer holds code in a subfolder: one folder, one layer"
    bad=1
  fi
  while IFS=: read -r file line target; do
    to=${target%%/*}
    [ "$to" = "$layer" ] && continue
    [ -n "${rank[$to]+x}" ] || continue
    if [ "${rank[$to]}" -ge "${rank[$layer]}" ]; then
      echo "${file#"$src"/}:$line includes $target (src/$to is not below src/$layer)"
      bad=1
    fi
  done < <(grep -rHn --include='*.h' --include='*.cpp' '^#include "[a-z]*/' "$dir" |
           sed -E 's/^([^:]*):([0-9]*):#include "([^"]*)".*/\1:\2:\3/')
done
[ $bad = 0 ] && echo "layers: every include goes down"
exit $bad
