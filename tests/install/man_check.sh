#!/usr/bin/env bash
# The manual pages render with man(1) without a warning, and orvcfg(1) documents every
# command and option the tool accepts. Commands and options are read from the tool's
# own help, so a command or option added to the tool without its page fails here.
#   man_check.sh ORVCFG MAN_DIR
set -euo pipefail
tool=$1 mandir=$2
status=0

render() { # page: its text, one paragraph a line, overstrikes removed
    MANWIDTH=1000 man --warnings -E UTF-8 -l "$1" 2>"$work/warnings" | sed 's/.\x08//g'
    if [ -s "$work/warnings" ]; then
        echo "FAIL: $1 renders with warnings:"
        cat "$work/warnings"
        status=1
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
render "$mandir/man5/orvcfg.properties.5.gz" >"$work/properties.txt"
render "$mandir/man1/orvcfg.1.gz" >"$work/orvcfg.txt"
grep -q '^NAME' "$work/properties.txt" || { echo "FAIL: orvcfg.properties(5) is empty"; status=1; }

# The text of one section (a line in capitals) or subsection (three blanks and a name).
section() { awk -v head="$1" '
    $0 == head { inside = 1; next }
    inside && (/^[A-Z]/ || /^   [^ ]/) { exit }
    inside { print }' "$work/orvcfg.txt"; }

help=$("$tool" --help)
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$help")
[ -n "$commands" ] || { echo "FAIL: no commands in the tool's help"; exit 1; }
for command in $commands; do
    text=$(section "   $command")
    if [ -z "$text" ]; then
        echo "FAIL: orvcfg(1) has no section for the command $command"
        status=1
        continue
    fi
    for option in $("$tool" "$command" --help | sed -n '/^Options:/,/^$/s/^  \(-[-a-z]*\).*/\1/p'); do
        grep -q -- "$option" <<<"$text" || { echo "FAIL: orvcfg(1) does not document $command $option"; status=1; }
    done
done
options=$(section OPTIONS)
for option in $(sed -n 's/^\(usage:\|      \) *orvcfg \(-.*\)/\2/p' <<<"$help" | grep -o -- '-[-a-z]*'); do
    grep -q -- "^ *$option\b" <<<"$options" || { echo "FAIL: orvcfg(1) does not document the option $option"; status=1; }
done
for heading in 'EXIT STATUS' ENVIRONMENT FILES EXAMPLES; do
    [ -n "$(section "$heading")" ] || { echo "FAIL: orvcfg(1) has no $heading"; status=1; }
done
grep -q 'ORV_LOCALDIR' <<<"$(section ENVIRONMENT)" || { echo "FAIL: ORV_LOCALDIR is not documented"; status=1; }
[ $status -eq 0 ] && echo "manual pages: every command and option documented"
exit $status
