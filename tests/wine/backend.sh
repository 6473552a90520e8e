#!/usr/bin/env bash
# The Windows backend's tests under Wine. Wine reads the ARP, route and adapter tables of the
# network namespace its server was started in, so the fresh prefix is booted inside a
# namespace whose tables this script plants (network_tables_test.cpp describes them).
# Argument: the mingw build directory. Needs root for ip netns.
set -uo pipefail
build=${1:?usage: backend.sh MINGW_BUILD_DIR}
exe=$(cd "$build" && pwd)/tests/wine_backend_tests.exe
[ -f "$exe" ] || { echo "missing $exe" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "backend.sh needs root (ip netns)" >&2; exit 1; }

ns=winbe$$
prefix=
log=$(mktemp /tmp/winbe-boot.XXXXXX) || exit 1
cleanup() {
  [ -n "$prefix" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  ip netns del "$ns" 2>/dev/null
  rm -rf "/etc/netns/$ns"
  [ -n "$prefix" ] && rm -rf "$prefix"
  rm -f "$log"
}
trap cleanup EXIT

# Run Wine inside the namespace, bounded in time.
inns() {
  local limit=$1
  shift
  timeout "$limit" ip netns exec "$ns" env WINEPREFIX="$prefix" WINEDEBUG="${winedebug:--all}" \
    WINEDLLOVERRIDES="mscoree,mshtml=" TZ=Europe/Berlin VETREL_WINE_LAB=1 "$@"
}

# A fresh prefix booted inside the namespace. A boot seldom hangs on a loaded machine; one
# more try with another prefix, and the error lines of the stuck one for whoever looks.
boot() {
  local attempt start rc
  for attempt in 1 2; do
    [ -n "$prefix" ] && { WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; rm -rf "$prefix"; }
    prefix=$(mktemp -d /tmp/winbe-prefix.XXXXXX) || return 1
    start=$(date +%s)
    winedebug=err+all inns 100 wineboot -i >"$log" 2>&1
    rc=$?
    echo "wineboot: $(( $(date +%s) - start ))s (exit $rc, attempt $attempt)"
    [ "$rc" -eq 0 ] && return 0
    tail -n 20 "$log"
  done
  return 1
}

set -e
ip netns add "$ns"
# The resolver file Wine's adapters take their DNS servers from, seen only in the namespace.
mkdir -p "/etc/netns/$ns"
printf 'nameserver 10.201.0.53\nnameserver 2001:db8:201::53\n' >"/etc/netns/$ns/resolv.conf"
ip -n "$ns" link set lo up
ip -n "$ns" link add wb0 address 02:77:00:00:00:01 type veth peer name wb1
ip -n "$ns" link set wb0 up
ip -n "$ns" link set wb1 up
ip -n "$ns" addr add 10.201.0.1/24 dev wb0
ip -n "$ns" addr add 10.202.0.1/16 dev wb0
{
  echo "neigh add 10.201.0.2 lladdr 02:00:5e:00:00:02 dev wb0 nud permanent"
  echo "neigh add 10.201.0.3 lladdr 02:00:5e:00:00:03 dev wb0 nud reachable"
  for i in $(seq 0 79); do
    printf 'neigh add 10.201.0.%d lladdr 02:00:5e:00:01:%02x dev wb0 nud permanent\n' $((100 + i)) "$i"
  done
  echo "route add 10.203.0.0/16 via 10.201.0.2"
  echo "addr add 2001:db8:201::1/64 dev wb0 nodad"
  echo "neigh add 2001:db8:201::2 lladdr 02:00:5e:00:00:02 dev wb0 nud permanent router"
  echo "neigh add fe80::3 lladdr 02:00:5e:00:00:03 dev wb0 nud reachable"
  echo "neigh add 2001:db8:201::4 dev wb0 nud incomplete"
  echo "route add default via fe80::2 dev wb0"
} | ip -n "$ns" -batch -
set +e

boot || exit 1

start=$(date +%s)
inns 120 wine "$exe" --gtest_color=no 2>&1 | grep -v -e 'wine32 is missing' -e 'multiarch needs' \
  -e 'dpkg --add-architecture'
rc=${PIPESTATUS[0]}
echo "tests: $(( $(date +%s) - start ))s (exit $rc)"
[ "$rc" -eq 0 ] || exit 1

# The program started from a path longer than the 260-byte buffer.
deep=$prefix/drive_c/$(printf 'd%.0s' {1..100})/$(printf 'e%.0s' {1..100})/$(printf 'f%.0s' {1..100})
mkdir -p "$deep" && cp "$exe" "$deep/" || exit 1
inns 60 wine "$deep/wine_backend_tests.exe" --gtest_color=no --gtest_also_run_disabled_tests \
  --gtest_filter='System.DISABLED_*' 2>&1 | grep -e '^\[  *\(OK\|FAILED\|PASSED\) ' -e 'Failure' -A3
[ "${PIPESTATUS[0]}" -eq 0 ]
