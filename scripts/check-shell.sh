#!/usr/bin/env bash
# Runs shellcheck at its warning level over every shell file in scripts/, tests/, bench/ and
# .ci/ (named *.sh or starting with a shell's #!); exit 1 on any finding.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
command -v shellcheck >/dev/null || { echo "shellcheck is not installed" >&2; exit 1; }
files=()
while IFS= read -r -d '' f; do
  case $f in
    *.sh) files+=("$f") ;;
    *) head -n1 "$f" | grep -qE '^#!.*[/ ](ba|da)?sh( |$)' && files+=("$f") ;;
  esac
done < <(find scripts tests bench .ci -type f -print0 | sort -z)
[ ${#files[@]} -gt 0 ] || { echo "no shell files found" >&2; exit 1; }
# .shellcheckrc lets it follow what each file sources.
if shellcheck -S warning "${files[@]}"; then
  echo "shellcheck: ${#files[@]} files clean"
else
  echo "shellcheck: findings in the files above"
  exit 1
fi
