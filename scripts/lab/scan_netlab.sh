# shellcheck shell=bash
# Sourced by the scan lab test and the scan benchmark: a scanning namespace and a host
# namespace joined by one veth pair. The host namespace carries 200 macvlan interfaces on its
# end of the pair, each with its own MAC and one address of 10.66.1.0/24; the other 54
# addresses of that /24 are dead. The scanner sits at 10.66.100.1/16, outside the scanned
# ranges. Names come from $LAB (set it to something unique, e.g. "scan$$").
#
#   ${LAB}s  eth0 10.66.100.1/16 ---- veth ---- up0 (no address)  ${LAB}h
#                                              +- m1..m200 macvlan, 10.66.1.x/16

SCAN_NET=10.66.1
SCAN_SELF=10.66.100.1
SCAN_SELF_MAC=02:66:64:00:00:01

# The 54 dead host numbers of the /24: every fifth from 3 to 248 (50) and 251 to 254, so dead
# addresses sit between live ones and at the end.
scan_is_dead() {  # host number 1..254
  [ "$1" -ge 251 ] || [ $(($1 % 5)) -eq 3 ]
}
scan_live_hosts() {  # the live host numbers, ascending
  local i
  for i in $(seq 1 254); do scan_is_dead "$i" || echo "$i"; done
}
scan_host_mac() {  # host number -> the macvlan's MAC, hyphenated lower case as vetrel prints it
  printf '02-66-01-00-%02x-%02x\n' $(($1 / 256)) $(($1 % 256))
}

scan_lab_up() {
  local s=${LAB}s h=${LAB}h i batch
  ip netns add "$s" || return 1
  ip netns add "$h" || return 1
  for ns in "$s" "$h"; do
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 \
      net.ipv6.conf.default.disable_ipv6=1
    ip -n "$ns" link set lo up
  done
  # Each macvlan answers only for its own address; replies leave whichever way they like.
  ip netns exec "$h" sysctl -qw net.ipv4.conf.all.arp_ignore=1 net.ipv4.conf.default.arp_ignore=1 \
    net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
  ip -n "$s" link add eth0 address "$SCAN_SELF_MAC" type veth peer name up0 netns "$h" || return 1
  ip -n "$s" addr add "$SCAN_SELF/16" dev eth0
  ip -n "$s" link set eth0 up
  ip -n "$h" link set up0 up
  batch=$(mktemp /tmp/scan-netlab.XXXXXX)
  for i in $(scan_live_hosts); do
    # A long broadcast queue: every request reaches all 200 interfaces through it.
    echo "link add m$i link up0 address $(scan_host_mac "$i" | tr - :) type macvlan mode bridge bcqueuelen 10000" >>"$batch"
    echo "addr add $SCAN_NET.$i/16 dev m$i" >>"$batch"
    echo "link set m$i up" >>"$batch"
  done
  ip -n "$h" -batch "$batch" || { rm -f "$batch"; return 1; }
  rm -f "$batch"
  local n=0
  while [ "$n" -lt 50 ]; do
    ip -n "$s" link show eth0 | grep -q LOWER_UP && break
    sleep 0.1
    n=$((n + 1))
  done
}

scan_lab_down() {
  ip netns del "${LAB}s" 2>/dev/null
  ip netns del "${LAB}h" 2>/dev/null
  return 0
}

# scan_loss_on / scan_loss_off: every tenth ARP packet (at random) that reaches the kernel's
# ARP input in namespace NS is dropped.
scan_loss_on() {  # ns
  ip netns exec "$1" nft add table arp loss &&
    ip netns exec "$1" nft add chain arp loss input '{ type filter hook input priority 0; }' &&
    ip netns exec "$1" nft add rule arp loss input numgen random mod 10 0 drop
}
scan_loss_off() { ip netns exec "$1" nft delete table arp loss 2>/dev/null; return 0; }
