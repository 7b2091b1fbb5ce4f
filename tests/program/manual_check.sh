#!/bin/sh
# The manual page renders without a warning and names every command, option and value that
# the program's own --help shows (in English, as the page is, whatever the machine's language).
# Usage: manual_check.sh PROGRAM PAGE
set -eu
program=$1
page=$2
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
text=$(LC_ALL=C MANWIDTH=200 man -l "$page" 2>/dev/null)
words=$(LC_ALL=C.UTF-8 LANGUAGE= LANG= "$program" --help | sed -n 's/.*fadebin //p' | tr ' |[]' '\n\n\n\n' | sed 's/\.\.\.$//')
[ -n "$words" ] || { echo "no usage lines in --help" >&2; exit 1; }
missing=0
for word in $words; do
  printf '%s\n' "$text" | grep -qwF -e "$word" ||
    { echo "$page does not name \"$word\", which --help shows" >&2; missing=1; }
done
exit $missing
