#!/usr/bin/env bash
# Shows what a host sees on the default installation laid out in a build tree.
set -euo pipefail
build=${1:-build}
tool="$build/bin/orvcfg"
if [ ! -x "$tool" ]; then
  echo "demo: $tool is not built" >&2
  exit 1
fi
"$tool" dirs
