# shellcheck shell=bash
# Sourced by the Wine tests and benchmarks. The caller sets $ns (a namespace or empty),
# $prefix (a Wine prefix or empty) and $work (a scratch directory or empty).

# wine_lab_need SCRIPT FILE...: ends the test unless it runs as root (ip netns) and every
# FILE is there.
wine_lab_need() {
  local script=$1 f
  shift
  for f in "$@"; do
    [ -f "$f" ] || { echo "missing $f" >&2; exit 1; }
  done
  [ "$(id -u)" -eq 0 ] || { echo "$script needs root (ip netns)" >&2; exit 1; }
}

# wine_until SECONDS TEST...: true once TEST succeeds, asked twice a second for up to SECONDS.
wine_until() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.5
  done
}

# A check's verdict; failures counts the failed ones. Both always succeed, so that
# `CHECK && pass ... || fail ...` never runs fail after pass.
fail() { echo "FAIL: $*"; failures=$((failures + 1)); return 0; }
pass() { echo "ok: $*"; return 0; }

# wine_lab_init TAG: the usual state of a test (namespace and desktop TAG$$, a scratch
# directory /tmp/TAG.XXXXXX, screenshots under the caller's $build) and its cleanup on exit.
wine_lab_init() {
  # shellcheck disable=SC2034  # desk and shots are read by the sourcing test
  ns=$1$$ desk=$1$$ prefix='' shots=${build:?}/screenshots failures=0
  work=$(mktemp -d "/tmp/$1.XXXXXX") || exit 1
  trap wine_lab_cleanup EXIT
}

# wine_lab_verdict NAME: the closing line; true when every check passed.
wine_lab_verdict() {
  if [ "$failures" -eq 0 ]; then echo "$1: all passed"; else echo "$1: $failures failed"; fi
  [ "$failures" -eq 0 ]
}

# plant IP MAC...: permanent neighbours on v0 of $ns.
plant() {
  while [ $# -ge 2 ]; do
    ip -n "$ns" neigh replace "$1" lladdr "$2" dev v0 nud permanent
    shift 2
  done
}

# wine_lab_hosts LINE...: a hosts file (localhost and LINEs) and a resolver on the loopback,
# where nothing listens, that `ip netns exec` lays over /etc inside $ns only.
wine_lab_hosts() {
  mkdir -p "/etc/netns/$ns"
  printf '%s\n' '127.0.0.1 localhost' "$@" >"/etc/netns/$ns/hosts"
  printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"/etc/netns/$ns/resolv.conf"
}

# An Xvfb of their own on the first free display.
# start_xvfb SIZE (e.g. 1280x900) sets $display and $xvfb (the server's pid) or returns 1.
xvfb=
start_xvfb() {
  display=
  local n
  for n in $(seq 60 99); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || { display=$n; break; }
  done
  [ -n "$display" ] || { echo "no free display" >&2; return 1; }
  Xvfb ":$display" -screen 0 "${1}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && return 0; sleep 0.1; done
  return 0
}

# Everything Wine runs inside the namespace, bounded in time: inns SECONDS COMMAND...
inns() {
  local limit=$1
  shift
  timeout "$limit" ip netns exec "$ns" env WINEPREFIX="$prefix" WINEDEBUG=-all DISPLAY=":$display" \
    WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

# wine_drive TRIES ARGS...: gui_driver.exe (in $work) on the desktop $desk, run again, at most
# TRIES times in all, while it neither succeeds nor prints anything: a Wine start that fails
# under load must not fail the check it was asked for. Not after its time ran out, as it
# may have acted by then. Prints its output without CRs.
wine_drive() {
  local tries=$1 out rc
  shift
  while :; do
    out=$(inns 90 wine "$work/gui_driver.exe" "$desk" "$@" 2>/dev/null)
    rc=$?
    tries=$((tries - 1))
    { [ "$rc" -eq 0 ] || [ "$rc" -eq 124 ] || [ -n "$out" ] || [ "$tries" -le 0 ]; } && break
    sleep 1
  done
  [ -z "$out" ] || printf '%s\n' "$out" | tr -d '\r'
  return "$rc"
}

# Starts vetrel.exe of the current folder in the desktop, with Wine's IP Helper notes in
# $work/wine.err (an ARP write shows there), and waits up to 60 s for its main window to be
# visible; returns 1 when it never is. Needs the caller's drive.
wine_lab_show_vetrel() {
  inns 600 env WINEDEBUG=-all,fixme+iphlpapi wine explorer "/desktop=$desk,1280x900" vetrel.exe \
    >/dev/null 2>"$work/wine.err" &
  for _ in $(seq 120); do
    [ "$(drive visible 2>/dev/null)" = 1 ] && return 0
    sleep 0.5
  done
  return 1
}

# The usual start: namespace $ns with lo up and a veth pair v0 (ADDR) - v1, then SETUP (the
# caller's function for what else the namespace holds, or empty), an Xvfb of 1280x900 and a
# fresh prefix /tmp/NAME-prefix.XXXXXX booted inside the namespace (one more try if a boot
# hangs). wine_lab_start ADDR NAME [SETUP] sets $prefix, $display and $xvfb or returns 1.
wine_lab_start() {
  ip netns add "$ns" || return 1
  ip -n "$ns" link set lo up
  ip -n "$ns" link add v0 type veth peer name v1 || return 1
  ip -n "$ns" addr add "$1" dev v0
  ip -n "$ns" link set v0 up
  ip -n "$ns" link set v1 up
  [ -z "${3:-}" ] || "$3"
  start_xvfb 1280x900 || return 1
  local attempt
  for attempt in 1 2; do
    [ -n "$prefix" ] && { WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; rm -rf "$prefix"; }
    prefix=$(mktemp -d "/tmp/$2-prefix.XXXXXX") || return 1
    inns 150 wineboot -i >/dev/null 2>&1 && return 0
    echo "wine boot $attempt did not finish" >&2
  done
  return 1
}

# Ends the prefix's Wine server and the display, removes the namespace and the directories.
wine_lab_cleanup() {
  [ -n "${prefix:-}" ] && WINEPREFIX=$prefix timeout 20 wineserver -k >/dev/null 2>&1
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ -n "${ns:-}" ] && { ip netns del "$ns" 2>/dev/null; rm -rf "/etc/netns/$ns"; }
  [ -n "${prefix:-}" ] && rm -rf "$prefix"
  [ -n "${work:-}" ] && rm -rf "$work"
  return 0
}
