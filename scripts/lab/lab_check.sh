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
