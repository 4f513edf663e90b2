#!/bin/sh
# Fails when a product folder includes a header of a folder it may not use.
# The layers, lowest first, and the folders each one may include besides its
# own (docs/ARCHITECTURE.md gives the reasons). The build enforces the same
# through the libraries' include roots (cmake/LumiqIncludeRoot.cmake); this
# also catches an include that a wider link would let through.
# Usage: scripts/check-layers.sh [source-dir]
set -u
top=${1:-$(dirname "$0")/..}

allowed() {
  case $1 in
    base) echo "" ;;
    state) echo "base" ;;
    trace) echo "base state" ;;
    net) echo "base state trace" ;;
    serial) echo "base trace" ;;
    device) echo "base" ;;
    presenter) echo "base state device" ;;
    fleet) echo "base state device" ;;
    links) echo "base state device net serial" ;;
    sim) echo "base state net" ;;
    doctor) echo "base state device net serial links" ;;
    app) echo "base state device trace net serial presenter fleet links" ;;
    cli) echo "base state device trace net serial fleet links doctor" ;;
  esac
}

status=0
for folder in base device state trace net serial presenter fleet links sim doctor app cli; do
  [ -d "$top/$folder" ] || { echo "check-layers: no folder $top/$folder" >&2; exit 2; }
  may=" $folder $(allowed $folder) "
  # file:line:#include "x/...": every quoted include that names a folder.
  hits=$(cd "$top" && grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$folder" \
           --include='*.h' --include='*.cpp')
  [ -n "$hits" ] || continue
  while IFS= read -r hit; do
    used=$(printf '%s\n' "$hit" | sed -E 's/^[^:]*:[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"/]+)\/.*/\1/')
    case $may in
      *" $used "*) ;;
      *) echo "check-layers: $folder/ may not include $used/: $hit" >&2; status=1 ;;
    esac
  done <<HITS
$hits
HITS
done
[ $status = 0 ] && echo "check-layers: every include keeps to the layers"
exit $status
