#!/bin/sh
# Checks a built manual page: groff reads it without a warning for each
# output a reader of it gets (UTF-8 and ASCII terminals, PostScript) and,
# when a program is given, every option that the program's --help names has
# an entry under OPTIONS.
#
#   check-page.sh PAGE [PROGRAM]
set -eu
page=$1
command -v groff >/dev/null || { echo "groff is missing (Debian: groff-base)" >&2; exit 1; }

status=0
for device in utf8 ascii ps; do
  warnings=$(groff -man -ww -z -T "$device" "$page" 2>&1)
  if [ -n "$warnings" ]; then
    printf '%s: groff -T %s:\n%s\n' "$page" "$device" "$warnings" >&2
    status=1
  fi
done
[ $# -ge 2 ] || exit "$status"

# The options: words of --help that begin with - or -- after a space, a
# bracket, a bar or a comma ("[--bits 8|16|24]", "  -r, --robust").
help=$("$2" --help)
options=$(printf '%s\n' "$help" | grep -oE -e '(^|[][ ,|(])--?[A-Za-z][A-Za-z0-9-]*' |
  sed -E 's/^[][ ,|(]//' | sort -u)
[ -n "$options" ] || { echo "$2 --help names no option" >&2; exit 1; }

# The OPTIONS section as read: from its heading to the next one.
section=$(groff -man -T ascii -P -cbou "$page" | sed -n '/^OPTIONS$/,/^[A-Z]/p')
for option in $options; do
  if ! printf '%s\n' "$section" | grep -qE -e "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|\$)"; then
    echo "$page: OPTIONS lacks $option, which $2 --help names" >&2
    status=1
  fi
done
exit "$status"
