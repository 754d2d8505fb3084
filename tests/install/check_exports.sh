#!/usr/bin/env bash
# Fails when liborvcfg exports a symbol that is not part of its interface classes.
set -euo pipefail
lib=$1
allowed='^(OrvCfg|XmlOrvParser|ParseNodeSink|Node|TextNode|NodeAttributes|StringVector|NodeSink)(::|$)'
allowed_meta='^(vtable for|typeinfo for|typeinfo name for|VTT for) (OrvCfg|XmlOrvParser|ParseNodeSink|Node|TextNode|NodeAttributes|StringVector|NodeSink)$'
# Linker-defined markers of every shared object.
allowed_ld='^(_init|_fini|__bss_start|_edata|_end)$'
status=0
while IFS= read -r sym; do
  [ -z "$sym" ] && continue
  if [[ "$sym" =~ $allowed || "$sym" =~ $allowed_meta || "$sym" =~ $allowed_ld ]]; then
    continue
  fi
  echo "unexpected export: $sym"
  status=1
done < <(nm -D --defined-only -C "$lib" | cut -d' ' -f3-)
exit $status
