# shellcheck shell=bash
# Sourced by the lab tests: their verdicts and scratch directories. The caller sets
# failures=0 and $work (its scratch directory).

# check DESCRIPTION COMMAND...: runs the command, says ok or FAIL, counts the failures.
check() {
  local what=$1
  shift
  if "$@"; then
    echo "  ok: $what"
  else
    echo "  FAIL: $what"
    failures=$((failures + 1))
  fi
}

# fresh_dir NAME: makes $work/NAME and prints its path.
fresh_dir() {
  local d="$work/$1"
  mkdir -p "$d"
  echo "$d"
}

# ini_write DIR KEY=VALUE...: quorel.ini with CR LF lines.
ini_write() {
  local dir=$1
  shift
  {
    printf '[Vetrel]\r\n'
    local kv
    for kv in "$@"; do printf '%s\r\n' "$kv"; done
  } >"$dir/quorel.ini"
}

# lab_begin NAME BUILD_DIR [TOOL...]: the common start of a lab script. Refuses without root,
# a built vetrel or the tools named; sets VETREL, failures=0 and $work (a scratch directory
# others may read, for programs run under other users).
lab_begin() {
  local name=$1 build=$2 tool
  shift 2
  [ "$(id -u)" -eq 0 ] || { echo "$name: needs root"; exit 1; }
  VETREL=$(cd "$build" && pwd)/src/vetrel
  [ -x "$VETREL" ] || { echo "$name: $VETREL not built"; exit 1; }
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$name: $tool missing (scripts/setup-deps.sh)"; exit 1; }
  done
  work=$(mktemp -d "/tmp/vetrel-${name// /-}.XXXXXX") || exit 1
  chmod 755 "$work"
  failures=0
}

# lab_end NAME: the verdict; the script's exit code is its status.
lab_end() {
  echo "$1: $failures failure(s)"
  [ "$failures" -eq 0 ]
}
