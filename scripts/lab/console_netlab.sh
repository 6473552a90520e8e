# shellcheck shell=bash
# Sourced by the console lab test and the monitor benchmark: a bridge namespace and three
# hosts on it (monitor 10.77.0.1, peer 10.77.0.2, attacker 10.77.0.3), all named after
# $LAB (set it to something unique, e.g. "con$$"). Everything stays inside these namespaces.

LAB_NET=10.77.0
LAB_FORGE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tests/lab" && pwd)/arp_forge.py
MON_MAC=02:77:00:00:00:01
PEER_MAC=02:77:00:00:00:02
ATT_MAC=02:77:00:00:00:03

lab_host() {  # name, last octet, mac
  local ns=$LAB$1
  ip netns add "$ns" || return 1
  ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "$LAB"b link add "$1"0 type veth peer name eth0 netns "$ns" || return 1
  ip -n "$LAB"b link set "$1"0 master br0 up
  ip -n "$ns" link set lo up
  ip -n "$ns" link set eth0 address "$3"
  ip -n "$ns" addr add "$LAB_NET.$2/24" dev eth0
  ip -n "$ns" link set eth0 up
}

lab_up() {
  ip netns add "$LAB"b || return 1
  ip netns exec "$LAB"b sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "$LAB"b link add br0 type bridge || return 1
  ip -n "$LAB"b link set br0 up
  lab_host m 1 "$MON_MAC" && lab_host p 2 "$PEER_MAC" && lab_host a 3 "$ATT_MAC" || return 1
  # Unsolicited replies may create entries, as on a network where the monitor must notice
  # new hosts that it never talked to.
  ip netns exec "$LAB"m sysctl -qw net.ipv4.conf.all.arp_accept=1 net.ipv4.conf.eth0.arp_accept=1
}

# lab_reset WHAT: kills the monitor and builds the namespaces afresh; a lab that cannot be
# built ends the test (WHAT names it in the message).
lab_reset() {
  monitor_kill
  lab_down
  lab_up || { echo "$1: cannot build the namespaces"; exit 1; }
}

lab_down() {
  local n
  for n in m p a b; do
    ip netns del "$LAB$n" 2>/dev/null
  done
  return 0
}

# wait_for SECONDS COMMAND...: polls every 0.1 s; fails after SECONDS.
wait_for() {
  local limit=$(( $1 * 10 )) i=0
  shift
  while ! "$@" >/dev/null 2>&1; do
    i=$((i + 1))
    [ "$i" -ge "$limit" ] && return 1
    sleep 0.1
  done
}

# The monitor's log as UTF-8.
log_utf8() { iconv -f cp1251 -t utf-8 "$1/quorel.log" 2>/dev/null; }
log_has() { log_utf8 "$1" | grep -qF -- "$2"; }
log_count() { log_utf8 "$1" | grep -cF -- "$2"; }
log_lacks() { ! log_has "$1" "$2"; }

# samples.dat holding the peer's genuine binding.
peer_sample() { printf '%s\t%s\tpeer\r\n' "$LAB_NET.2" "$(mac_text "$PEER_MAC")" >"$1/samples.dat"; }

# Hyphenated lower-case MAC, as the monitor prints it.
mac_text() { echo "$1" | tr ':' '-' | tr 'A-F' 'a-f'; }

# The peer announces itself with a gratuitous reply. Unlike a ping, this leaves the peer no
# reason to probe the monitor a few seconds later, which would also refresh the monitor's
# entry for the peer with the genuine MAC and undo a forgery behind the test's back.
announce_peer() {
  ip netns exec "$LAB"p /usr/bin/python3 "$LAB_FORGE" eth0 "$LAB_NET.2" "$PEER_MAC" --packets 1 2>/dev/null
}

MON_PID=
monitor_start() {  # dir [extra args]
  local dir=$1
  shift
  ip netns exec "$LAB"m "$VETREL" monitor --cp1251 --dir "$dir" "$@" >"$dir/stdout" 2>"$dir/stderr" &
  MON_PID=$!
  wait_for 10 log_has "$dir" "Запуск программы." || wait_for 1 grep -q . "$dir/stdout"
}

# monitor_stop [SIGNAL]: SIGTERM (or SIGNAL) and a bounded wait; the exit code lands in MON_RC.
MON_RC=
monitor_stop() {
  local i=0
  MON_RC=255
  [ -n "$MON_PID" ] || return 0
  kill -"${1:-TERM}" "$MON_PID" 2>/dev/null
  while kill -0 "$MON_PID" 2>/dev/null && [ "$i" -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
  done
  if kill -0 "$MON_PID" 2>/dev/null; then
    kill -KILL "$MON_PID" 2>/dev/null
  fi
  wait "$MON_PID"
  # shellcheck disable=SC2034  # read by the sourcing test
  MON_RC=$?
  MON_PID=
}

monitor_kill() {
  if [ -n "$MON_PID" ]; then
    kill -KILL "$MON_PID" 2>/dev/null
    wait "$MON_PID" 2>/dev/null
    MON_PID=
  fi
}
