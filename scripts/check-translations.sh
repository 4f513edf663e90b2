#!/bin/sh
# Fails when a Chinese text the window shows has no English in
# app/EnglishTexts.cpp. Every string literal holding Chinese in the folders
# whose texts reach the window must be part of a Chinese text there (a piece
# of a composed one counts). Literals in comments, and the few that are not
# shown in the window (--help, the demo's own report, the single-instance
# lock's name), are skipped.
# Usage: scripts/check-translations.sh [source-dir]
set -u
top=${1:-$(dirname "$0")/..}
catalog=$top/app/EnglishTexts.cpp
status=0
# The Chinese side of each pair, one per line.
chinese=$(grep -oP '^\s*\{"\K[^"]*(?=",)' "$catalog")
[ -n "$chinese" ] || { echo "no texts found in $catalog" >&2; exit 1; }
for file in "$top"/app/*.cpp "$top"/app/*.h "$top"/presenter/*.cpp "$top"/state/ModuleRegistry.cpp \
            "$top"/device/Parameter.h; do
  case $file in
    */EnglishTexts.cpp|*/HelpAndVersion.cpp|*/DemoTour.cpp|*/DemoTour.h|*/AutomationHooks.cpp|*/SingleInstance.h|*/LanguageMenu.cpp) continue ;;
  esac
  # Code only: the part of each line before a // comment.
  sed 's#//.*##' "$file" | grep -oP '"[^"]*[^\x00-\x7F][^"]*"' | tr -d '"' | while IFS= read -r text; do
    piece=$(printf "%s" "$text" | sed "s/^ *//; s/ *$//")
    if ! printf '%s\n' "$chinese" | grep -qF -- "$piece"; then
      echo "$file: no English for \"$text\" (app/EnglishTexts.cpp)" >&2
      echo fail
    fi
  done
done | grep -c '^fail$' >/dev/null && status=1
exit $status
