#!/usr/bin/env bash
# Fails when a Windows DLL exports a symbol outside the classes (and functions) it offers
# hosts. Prints the DLL's export list, demangled, so that a run shows what hosts can reach.
#   check_dll_exports.sh <objdump> <c++filt> <dll> <allowed-names-regex>
set -euo pipefail
objdump=$1 cxxfilt=$2 dll=$3 names=$4
allowed="^(${names})(::|\\[abi:|\\(|$)"
allowed_meta="^(vtable for|typeinfo for|typeinfo name for|VTT for) (${names})$"
# The export directory of a PE image: "[ordinal] name" lines after the name pointer table.
exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | "$cxxfilt")
[ -n "$exports" ] || { echo "$dll exports nothing"; exit 1; }
echo "$exports"
status=0
while IFS= read -r sym; do
  if [[ "$sym" =~ $allowed || "$sym" =~ $allowed_meta ]]; then
    continue
  fi
  echo "unexpected export: $sym"
  status=1
done <<< "$exports"
exit $status
