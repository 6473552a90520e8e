#!/usr/bin/env bash
# The IPv6 watch in a namespace lab: radvd announces 2001:db8:1::/64 with RDNSS, a host takes
# temporary addresses that rotate within seconds, and a hostile station forges an NA for the
# router's address, announces itself as a second router and answers a DHCPv6 Solicit. The
# monitor hears them from the neighbour table, the route table and (--listen) the wire; with
# WatchIpv6=0 it hears nothing. Usage: ipv6_lab.sh BUILD_DIR (root)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/lab/lab_check.sh"
lab_begin "ipv6 lab" "${1:?usage: ipv6_lab.sh BUILD_DIR}" ip iconv radvd
LAB=v6$$
. "$root/scripts/lab/console_netlab.sh"
RTR_MAC=02:66:00:00:00:01 HOST_MAC=02:66:00:00:00:02 MON_MAC=02:66:00:00:00:03 ATT_MAC=02:66:00:00:0b:ad
RADVD=
v6_down() {
  [ -z "$RADVD" ] || { kill "$RADVD" 2>/dev/null; wait "$RADVD" 2>/dev/null; }
  local n
  for n in b r m h a; do ip netns del "$LAB$n" 2>/dev/null; done
}
trap 'monitor_kill; v6_down; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

in_ns() { local ns=$LAB$1; shift; ip netns exec "$ns" "$@"; }
v6_host() {  # name, MAC, sysctl settings of its eth0 (before it comes up)
  local n=$1 mac=$2 kv
  ip netns add "$LAB$n" && ip -n "$LAB"b link add "$n"0 type veth peer name eth0 netns "$LAB$n" || return 1
  ip -n "$LAB"b link set "$n"0 master br0 up
  ip -n "$LAB$n" link set eth0 address "$mac"
  for kv in "${@:3}"; do in_ns "$n" sysctl -qw "net.ipv6.conf.${kv/#./eth0.}" || return 1; done
}
ip netns add "$LAB"b && ip -n "$LAB"b link add br0 type bridge mcast_snooping 0 && ip -n "$LAB"b link set br0 up &&
  v6_host r "$RTR_MAC" all.forwarding=1 .addr_gen_mode=1 &&
  v6_host m "$MON_MAC" .accept_ra_defrtr=0 .accept_dad=0 &&
  v6_host h "$HOST_MAC" .accept_dad=0 .use_tempaddr=2 .max_desync_factor=0 .temp_prefered_lft=10 .temp_valid_lft=40 &&
  v6_host a "$ATT_MAC" .disable_ipv6=1 || { echo "ipv6 lab: cannot build the namespaces"; exit 1; }
ip -n "$LAB"r addr add fe80::1/64 dev eth0
ip -n "$LAB"m addr add 10.66.0.1/24 dev eth0  # the monitor wants an IPv4 adapter
for n in r m h a; do ip -n "$LAB$n" link set eth0 up; done
cat >"$work/radvd.conf" <<EOF
interface eth0 { AdvSendAdvert on; MinRtrAdvInterval 3; MaxRtrAdvInterval 4;
  prefix 2001:db8:1::/64 { AdvPreferredLifetime 120; AdvValidLifetime 300; };
  RDNSS 2001:db8:1::53 { }; };
EOF
ip netns exec "$LAB"r radvd -n -C "$work/radvd.conf" -p "$work/radvd.pid" -m stderr >/dev/null 2>"$work/radvd.log" &
RADVD=$!
rtr=$(mac_text "$RTR_MAC") att=$(mac_text "$ATT_MAC")
mon6() { ip -n "$LAB"m -6 "$@"; }
global_of() { ip -n "$LAB$1" -6 addr show dev eth0 scope global "${@:2}" | grep -o '2001:db8:1:[0-9a-f:]*' | head -n1; }
wait_for 12 bash -c "ip -n ${LAB}m -6 neigh show fe80::1 | grep -q $RTR_MAC && [ -n \"\$(ip -n ${LAB}h -6 addr show temporary)\" ]" ||
  { echo "ipv6 lab: no router advertisement arrived ($(head -c 300 "$work/radvd.log"))"; exit 1; }
mon_addr=$(global_of m)
hostile() { in_ns a /usr/bin/python3 "$here/nd_hostile.py" eth0 "$ATT_MAC" "$@"; }
fast() { awk -v m="${1#ms=}" 'BEGIN { exit !(m != "none" && m + 0 <= 50) }'; }
once() { [ "$(log_count "$1" "$2")" -eq 1 ]; }
heard() { [[ $1 == ms=[0-9]* ]] && once "$2" "$3"; }  # the sender saw the line, the log has one
start() {  # dir, settings...: samples6.dat names the router; monitor --json and more
  local d=$1
  ini_write "$d" WriteLog=1 AddNew=1 CheckMac=1 Restore=1 "${@:2}"
  printf 'fe80::1\t%s\trouter\r\n' "$rtr" >"$d/samples6.dat"
  cp "$d/samples6.dat" "$d/samples6.planted"
}

echo "== a forged NA for the router's address, heard from the neighbour table (Restore=1)"
d=$(fresh_dir events)
start "$d" CheckInt=30
monitor_start "$d" --json
sleep 2  # the first check is on the first tick
ms=$(hostile na fe80::1 --expect "$d/stdout" "Подмена адреса! fe80::1 $att (fe80::1 $rtr)")
check "a spoofing line within 50 ms of the frame ($ms)" fast "$ms"
check "the router's MAC is back as a permanent neighbour" \
  wait_for 2 bash -c "ip -n ${LAB}m -6 neigh show fe80::1 | grep -q '$RTR_MAC PERMANENT'"
monitor_stop
check "one line: our own restore did not loop ($(log_count "$d" "Подмена адреса!"))" once "$d" "Подмена адреса!"
check "vetrel neighbours lists the row, named by samples6.dat" \
  grep -qE "^fe80::1 +$rtr +с +eth0 .*router$" <(in_ns m "$VETREL" neighbours --utf8 --dir "$d")

echo "== --listen: the NA again, a second router, a DHCPv6 server, a host rotating addresses"
d=$(fresh_dir wire)
start "$d" CheckInt=30
(for _ in $(seq 40); do in_ns h ping -6 -c1 -W1 "$mon_addr" >/dev/null; sleep 0.5; done) &
pinger=$!
monitor_start "$d" --listen=eth0 --json
sleep 2
ms=$(hostile na fe80::1 --expect "$d/stdout" "Подмена адреса! fe80::1 $att (fe80::1 $rtr)")
check "the wire alone (the kernel keeps the permanent row) within 50 ms ($ms)" fast "$ms"
rogue="Чужой маршрутизатор IPv6! fe80::bad $att (префиксы 2001:db8:bad::/64; время жизни 1800 с; DNS 2001:db8:bad::53)"
ms=$(hostile ra 2001:db8:bad::/64 2001:db8:bad::53 --count 3 --expect "$d/stdout" "$rogue")
check "a second router once, with prefix, lifetime and DNS, over three RAs ($ms)" \
  heard "$ms" "$d" "Чужой маршрутизатор IPv6! fe80::bad"
hostile dhcp 2001:db8:bad::53 --expect "$d/stdout" "Чужой DHCPv6-сервер! fe80::bad $att (DNS 2001:db8:bad::53)" >"$work/dhcp" &
sleep 0.5
in_ns m /usr/bin/python3 "$here/nd_hostile.py" eth0 "$MON_MAC" solicit
wait $!
ms=$(cat "$work/dhcp")
check "the server answering a Solicit once, naming its DNS ($ms)" heard "$ms" "$d" "Чужой DHCPv6-сервер!"
mon6 neigh replace fe80::99 lladdr 02:66:00:00:00:99 dev eth0 nud stale
mon6 route add default via fe80::99 dev eth0
check "a default route through an unknown router, told from the route event (CheckInt=30)" \
  wait_for 2 log_has "$d" "Чужой маршрутизатор IPv6! fe80::99 02-66-00-00-00-99 (маршрут по умолчанию"
wait "$pinger"
monitor_stop
seen=$(mon6 neigh show | grep -c "^2001:db8:1:.*$HOST_MAC")
check "the host's $seen addresses give one new-station line at most ($(log_count "$d" 02-66-00-00-00-02))" \
  bash -c "[ $seen -ge 2 ] && [ $(log_count "$d" 02-66-00-00-00-02) -le 1 ]"
check "learned: link-local only, never the rogue router (exit $MON_RC)" \
  bash -c "[ $MON_RC -eq 0 ] && ! grep -qE '^(2001|fe80::bad)' '$d/samples6.dat'"
check "JSON lines carry the family" grep -q '"family":"ipv6"' "$d/stdout"

echo "== WatchIpv6=0: no IPv6 read, line, restore or file"
d=$(fresh_dir off)
start "$d" CheckInt=1 WatchIpv6=0
mon6 neigh replace fe80::1 lladdr "$ATT_MAC" dev eth0 nud stale
monitor_start "$d" --listen=eth0 --json
hostile ra 2001:db8:bad::/64 2001:db8:bad::53 >/dev/null
hostile na fe80::1 >/dev/null
sleep 2.5
monitor_stop
check "nothing of IPv6, the spoofed row left alone, samples6.dat as it was (exit $MON_RC)" \
  bash -c "[ $MON_RC -eq 0 ] && ! iconv -f cp1251 -t utf-8 '$d/quorel.log' | grep -qE 'fe80|2001:db8|IPv6' &&
    ! ip -n ${LAB}m -6 neigh show fe80::1 | grep -q PERMANENT && cmp -s '$d/samples6.dat' '$d/samples6.planted'"

lab_end "ipv6 lab"
