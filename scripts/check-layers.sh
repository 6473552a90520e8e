#!/usr/bin/env bash
# Lists every include in src/ that points up a layer; exit 1 when there is one.
# The layers, bottom to top; the two front ends share the top.
set -uo pipefail
cd "$(dirname "$0")/../src" || exit 1
declare -A level=([platform]=0 [base]=1 [settings]=2 [report]=3 [route]=4 [ipv6]=5 [arp]=6
                  [scan]=7 [forms]=8 [ui]=9 [app]=9)
bad=0
while IFS= read -r line; do
  file=${line%%:*}
  from=${file%%/*}
  to=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
  [ -n "${level[$from]:-}" ] || { echo "unknown layer: $file"; bad=1; continue; }
  [ -n "${level[$to]:-}" ] || continue
  if [ "${level[$to]}" -gt "${level[$from]}" ]; then echo "up: $line"; bad=1; fi
done < <(grep -rn --include='*.h' --include='*.cpp' '#include "[a-z_]*/' -- *)
[ "$bad" -eq 0 ] && echo "layers: every include points down or sideways"
exit "$bad"
