#!/usr/bin/env bash
# Drives the bash completion of orvcfg as bash does (COMP_WORDS, COMP_CWORD) and checks
# what it offers: commands, options, the keys of the configuration the tool would load
# (through `orvcfg list`, or the store when the tool has no list), and the values of
# the keys with a vocabulary.
#   completion_check.sh ORVCFG COMPLETION_FILE SHIPPED_ORV_PROPERTIES
set -euo pipefail
tool=$1 completion=$2 shipped=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/local/config" "$work/empty/config"
cp "$shipped" "$work/local/config/Orv.properties"
export ORV_LOCALDIR=$work/local

# A tool without the list command, and one whose list names a single key.
printf '#!/bin/sh\n[ "$1" = list ] && exit 2\nexec "%s" "$@"\n' "$tool" >"$work/nolist"
printf '#!/bin/sh\n[ "$1" = list ] && { echo only.key=1; exit 0; }\nexec "%s" "$@"\n' "$tool" >"$work/fakelist"
chmod +x "$work/nolist" "$work/fakelist"

failures=0
# offers EXPECTED WORD... : the sorted offers for the words, the last being completed.
offers() {
    local expected=$1 got
    shift
    got=$(bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _orvcfg
                   ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@" 2>&1 | sort | tr '\n' ' ')
    expected=$(tr ' ' '\n' <<<"$expected" | sed '/^$/d' | sort | tr '\n' ' ')
    if [[ $got != "$expected" ]]; then
        echo "FAIL: orvcfg ${*:2}|"
        echo "  expected: $expected"
        echo "  offered:  $got"
        failures=$((failures + 1))
    fi
}

shipped_keys=$(sed -n '2,$ { /^#/d; /^=/d; s/^\([^=]*\)=.*/\1/p; }' "$shipped" | tr '\n' ' ')
trace_keys=$(tr ' ' '\n' <<<"$shipped_keys" | grep '^trace_' | tr '\n' ' ')
commands=$("$tool" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\) .*/\1/p' | tr '\n' ' ')

offers "$commands help --help --version" "$tool" ""
offers "--help --version" "$tool" "--"
offers "$commands" "$tool" help ""
offers "$shipped_keys" "$tool" get ""
offers "$trace_keys" "$tool" get trace_
offers "$trace_keys" "$tool" set trace_
offers "$trace_keys" "$work/nolist" get trace_
offers "only.key" "$work/fakelist" get ""
offers "MAX MID MIN" "$tool" set trace_level ""
offers "MAX MID MIN" "$tool" set -- trace_level M
offers "All HW VPD SWS FSS COM PLG" "$tool" set trace_comp ""
offers "provider_remote_cache provider_remote_cache2" "$tool" set fscanner.provider provider_r
offers "" "$tool" set hwscanner.timeout ""
offers "" "$tool" set trace_level MAX ""
offers "--default --json --help" "$tool" get --
offers "" "$tool" get --default ""
offers "$trace_keys" "$tool" get --default x trace_
offers "" "$tool" get trace_level ""
# Without a configuration to read, there is nothing to offer and nothing to say.
ORV_LOCALDIR=$work/empty offers "" "$tool" get ""

if ((failures)); then
    echo "$failures completion case(s) failed"
    exit 1
fi
echo "completion: all cases passed"
