#!/bin/sh
# Fails when a C++ source or header is not laid out as .clang-format says.
# Lists every such file; `clang-format -i <file>` lays one out. The layout
# depends on clang-format's version: the tree follows Debian 12's (14), and
# CLANG_FORMAT names another binary.
# Usage: scripts/check-format.sh [source-dir]
set -u
top=${1:-$(dirname "$0")/..}
formatter=${CLANG_FORMAT:-clang-format}
cd "$top" || exit 2

if ! command -v "$formatter" >/dev/null 2>&1; then
  echo "check-format: $formatter is not installed (Debian package clang-format)" >&2
  exit 2
fi
[ -f .clang-format ] || { echo "check-format: no .clang-format in $(pwd)" >&2; exit 2; }

# The tracked files of a checkout, else every file outside hidden and build
# folders; NUL-separated, so that any name passes.
list_sources() {
  if [ -n "$(git ls-files -- '*.cpp' '*.h' 2>/dev/null | head -n 1)" ]; then
    git ls-files -z -- '*.cpp' '*.h'
  else
    find . \( -name '.?*' -o -name 'build*' \) -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0
  fi
}

report=$(mktemp) || exit 2
trap 'rm -f "$report"' EXIT
# Many files a run: starting clang-format costs more than laying out a file.
list_sources | xargs -0 -r -n 64 "$formatter" --dry-run -Werror --style=file >"$report" 2>&1
formatted=$?
checked=$(list_sources | tr -cd '\0' | wc -c)

# Each misplaced line is reported as "<file>:<line>:<column>: error: ...".
unformatted=$(sed -n 's/^\(.*\):[0-9][0-9]*:[0-9][0-9]*: error: code should be clang-formatted.*/\1/p' "$report" |
  sort -u)
if [ -n "$unformatted" ]; then
  echo "check-format: not laid out as .clang-format says:" >&2
  printf '%s\n' "$unformatted" | sed 's/^/  /' >&2
  echo "check-format: $(printf '%s\n' "$unformatted" | wc -l) of $checked files ($("$formatter" --version))" >&2
  exit 1
fi
if [ "$formatted" != 0 ]; then
  # Not a layout fault: the formatter itself failed (a bad .clang-format, an
  # unreadable file).
  cat "$report" >&2
  echo "check-format: $formatter failed" >&2
  exit 2
fi
echo "check-format: $checked files laid out as .clang-format says"
