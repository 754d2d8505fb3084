#!/usr/bin/env bash
# orvcfg at work on the default installation of a build tree: where everything is, a few
# keys, a key change (and a refused one), and the sections of the configuration document.
# The changed key is set back at the end, so the demo can run again and again.
set -euo pipefail
build=${1:-build}
tool="$build/bin/orvcfg"
if [ ! -x "$tool" ]; then
  echo "demo: $tool is not built" >&2
  exit 1
fi
unset ORV_LOCALDIR
step() { printf '\n$ orvcfg %s\n' "$*"; }

step dirs;                                   "$tool" dirs
for key in trace_level trace_file common_trace_path fscanner.provider hwscanner.timeout; do
  step get "$key";                           "$tool" get "$key"
done
old=$("$tool" get trace_level)
step set trace_level MAX;                    "$tool" set trace_level MAX && echo "(exit 0)"
step get trace_level;                        "$tool" get trace_level
echo "OrvTrace.properties now reads:"
grep 'loggers.trcLogger.level' "$build/config/OrvTrace.properties" | sed 's/^/  /'
step set trace_level LOUD;                   "$tool" set trace_level LOUD || echo "(exit $?)"
step set version 9.9;                        "$tool" set version 9.9 || echo "(exit $?)"
"$tool" set trace_level "$old" >/dev/null
step parse;                                  "$tool" parse
