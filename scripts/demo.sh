#!/usr/bin/env bash
# Shows what a host sees on the default installation laid out in a build tree.
set -euo pipefail
build=${1:-build}
exec "$(dirname "$0")/../tools/orvcfg/demo.sh" "$build"
