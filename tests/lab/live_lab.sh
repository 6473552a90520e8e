#!/usr/bin/env bash
# The monitor's live detection in the namespace lab: a check on the kernel's neighbour
# events, and --listen reading ARP off the wire. Usage: live_lab.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/lab/lab_check.sh"
lab_begin "live lab" "${1:?usage: live_lab.sh BUILD_DIR}" ip iconv
LAB=live$$
. "$root/scripts/lab/console_netlab.sh"
STORM=$here/arp_storm.py
trap 'monitor_kill; lab_down; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
lab_reset "live lab"

# storm NS ARGS...: frames from a lab host's eth0.
storm() { local ns=$1; shift; ip netns exec "$LAB$ns" /usr/bin/python3 "$STORM" eth0 "$@" 2>/dev/null; }
stat_of() { grep -o "$2=[0-9.]*" "$1/stderr" | tail -n1 | cut -d= -f2; }
cached() { ip -n "$LAB"m neigh show "$1" | grep -q lladdr; }
lines_are() { [ "$(log_count "$1" "$2")" -eq "$3" ]; }
att=$(mac_text "$ATT_MAC")

echo "== a forged claim heard from the neighbour table, CheckInt=30, with Restore"
d=$(fresh_dir events)
ini_write "$d" CheckInt=30 WriteLog=1 AddNew=0 CheckMac=1 Restore=1
peer_sample "$d"
announce_peer
monitor_start "$d" --stats
sleep 2  # the first check is on the first tick; the next timed one 30 s later
t0=$(date +%s.%N)
storm a "$LAB_NET.2" "$ATT_MAC" --kind reply
wait_for 2 log_has "$d" "Подмена адреса! $LAB_NET.2 $att"
got=$?
t1=$(date +%s.%N)
check "spoofing line within 2 s of the forged reply ($(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }') s)" [ "$got" -eq 0 ]
sleep 1.5
check "the restore wrote the sample's MAC back" \
  bash -c "ip -n ${LAB}m neigh show $LAB_NET.2 | grep -q '${PEER_MAC,,} PERMANENT'"
monitor_stop
checks=$(stat_of "$d" event_checks)
check "our own restore did not loop: one line, $checks checks on events (at most 3)" \
  bash -c "[ $(log_count "$d" 'Подмена адреса!') -eq 1 ] && [ ${checks:-99} -ge 1 ] && [ ${checks:-99} -le 3 ]"

echo "== --listen: the wire, with the kernel taking no gratuitous ARP"
d=$(fresh_dir wire)
ini_write "$d" CheckInt=30 WriteLog=1 AddNew=0 CheckMac=1
peer_sample "$d"
printf '%s\t%s\tnever\r\n' "$LAB_NET.9" 02-09-09-09-09-09 >>"$d/samples.dat"
ip netns exec "$LAB"m sysctl -qw net.ipv4.conf.all.arp_accept=0 net.ipv4.conf.eth0.arp_accept=0
ip -n "$LAB"m neigh del "$LAB_NET.2" dev eth0  # the restore of the first part
ip netns exec "$LAB"m ping -c1 -W1 "$LAB_NET.2" >/dev/null  # the peer is cached
monitor_start "$d" --listen=eth0 --stats
sleep 2.5  # beyond the kernel's lock time for the peer's entry
storm p "$LAB_NET.50" 02:50:00:00:00:50 --kind request --target "$LAB_NET.3"
storm a "$LAB_NET.9" 02:66:00:00:00:09 --kind reply
storm a "$LAB_NET.2" "$ATT_MAC" --kind reply
wait_for 3 log_has "$d" "Подмена адреса! $LAB_NET.2 $att"
sleep 1.5  # a check on the changed cache row has run by now
asker=$(cached "$LAB_NET.50" && echo cached || echo uncached)
claimed=$(cached "$LAB_NET.9" && echo cached || echo uncached)
peer_row=$(ip -n "$LAB"m neigh show "$LAB_NET.2")
check "a station that only asks is reported ($asker)" \
  bash -c "[ $asker = uncached ] && $(declare -f log_utf8 log_has); log_has '$d' 'Новый IP-адрес! $LAB_NET.50 02-50-00-00-00-50'"
check "a claim of an uncached sample address is reported ($claimed)" \
  bash -c "[ $claimed = uncached ] && $(declare -f log_utf8 log_has); log_has '$d' 'Подмена адреса! $LAB_NET.9 02-66-00-00-00-09'"
check "a claim both the wire and the cache show is reported once (cache: $peer_row)" \
  bash -c "grep -q '${ATT_MAC,,}' <<<'$peer_row' && [ $(log_count "$d" "Подмена адреса! $LAB_NET.2") -eq 1 ]"
echo "== ...and the ring's drops under a flood while the monitor is stopped"
kill -STOP "$MON_PID"
storm a 10.1.0.1 02:10:00:00:00:00 --kind request --random --hosts 20000 --packets 30000 \
  --rate 100000 --max-seconds 5
kill -CONT "$MON_PID"
wait_for 5 log_has "$d" "потеряно кадров ARP"
check "the drops are journalled: $(log_utf8 "$d" | grep -o 'потеряно кадров ARP: [0-9]*' | head -n1)" \
  log_has "$d" "потеряно кадров ARP"
monitor_stop
check "the monitor stopped cleanly after the flood (exit $MON_RC)" [ "$MON_RC" -eq 0 ]

echo "== --listen says what the wire shows: once per sender and kind, a few lines under floods"
d=$(fresh_dir seen)
ini_write "$d" CheckInt=30 WriteLog=1 AddNew=1 CheckMac=1
monitor_start "$d" --listen=eth0 --stats --json
storm a "$LAB_NET.40" 02:40:00:00:00:40 --ether "$ATT_MAC" --packets 3
storm a 192.0.2.7 02:07:00:00:00:07 --packets 3
storm a "$LAB_NET.41" 01:00:5e:00:00:41 --ether "$ATT_MAC" --packets 3
storm p "$LAB_NET.42" 02:42:00:00:00:0a --flip 02:42:00:00:00:0b --packets 3
wait_for 3 log_has "$d" "Возврат прежнего MAC! $LAB_NET.42 02-42-00-00-00-0a (прежний MAC 02-42-00-00-00-0b"
for s in "Несовпадение MAC-адресов! $LAB_NET.40 02-40-00-00-00-40 (Ethernet $att, интерфейс eth0)" \
  "Адрес вне подсетей! 192.0.2.7 02-07-00-00-00-07 (Ethernet 02-07-00-00-00-07, интерфейс eth0)" \
  "Групповой MAC отправителя! $LAB_NET.41 01-00-5e-00-00-41 (Ethernet $att, интерфейс eth0)" \
  "Возврат прежнего MAC! $LAB_NET.42"; do check "once: ${s:0:60}" lines_are "$d" "$s" 1; done
check "...also as JSON with the frame's fields" grep -q "\"etherSource\":\"$att\",\"interface\":\"eth0\"" "$d/stdout"
(storm a 10.1.0.1 02:10:00:00:00:00 --random --hosts 2000 --packets 4000 --rate 2000 --ether "$ATT_MAC" --max-seconds 4 &
  storm a "$LAB_NET.60" 01:00:5e:00:01:00 --hosts 200 --packets 4000 --rate 2000 --ether "$ATT_MAC" --max-seconds 4 &
  storm p "$LAB_NET.43" 02:43:00:00:00:0a --flip 02:43:00:00:00:0b --packets 4000 --rate 2000 --max-seconds 4; wait)
sleep 1
monitor_stop
counts=$(for s in MAC-адресов! подсетей! отправителя! "прежнего MAC!" "только считаются" "Подмена адреса! $LAB_NET.43"; do
  log_count "$d" "$s"; done | xargs)
late=$(stat_of "$d" max_tick_lateness_ms)
check "floods of each kind, the race too, give at most 5 lines a kind (${counts}), the tick late ${late} ms at most" \
  bash -c "for n in $counts; do [ \$n -le 5 ] || exit 1; done; awk -v l='$late' 'BEGIN { exit !(l < 250) }'"
check "none of them learned (exit $MON_RC)" bash -c "[ $MON_RC -eq 0 ] && ! grep -qE '^(192\.0\.2\.7|10\.1|$LAB_NET\.(41|60))' '$d/samples.dat'"
echo "== --listen under attack: other VLANs, our own address, floods, the interface re-created"
lab_reset "live lab"
ip netns exec "$LAB"m sysctl -qw net.ipv4.conf.all.arp_accept=0 net.ipv4.conf.eth0.arp_accept=0
ip -n "$LAB"m addr add 198.19.0.1/16 dev eth0
d=$(fresh_dir hostile)
ini_write "$d" CheckInt=30 WriteLog=1 AddNew=1 CheckMac=1
peer_sample "$d"
monitor_start "$d" --listen=eth0
storm a "$LAB_NET.2" "$ATT_MAC" --kind reply --vlan 5
storm a "$LAB_NET.20" 02:20:00:00:00:20 --kind request --vlan 0  # priority-tagged: ours
storm a "$LAB_NET.1" "$ATT_MAC" --kind reply
storm a 10.1.0.1 02:10:00:00:00:00 --kind request --random --hosts 2000 --packets 2000 --rate 20000
storm a 198.19.1.1 02:19:00:00:00:00 --kind request --hosts 2000 --packets 2000 --rate 20000
news() { [ "$(log_count "$d" "Новый IP-адрес! $1")" -ge "$2" ]; }
wait_for 10 news 198.19. 2000
check "tagged frames of other VLANs raise nothing; a priority-tagged one is heard" \
  bash -c "$(declare -f log_utf8 log_has log_lacks); log_lacks '$d' 'Подмена адреса! $LAB_NET.2' && log_has '$d' 'Новый IP-адрес! $LAB_NET.20 02-20-00-00-00-20'"
check "a claim of our own address is spoofing, never learned" \
  bash -c "$(declare -f log_utf8 log_has); log_has '$d' 'Подмена адреса! $LAB_NET.1 $att (собственный адрес $LAB_NET.1 $(mac_text "$MON_MAC"))' && ! grep -q '^$LAB_NET.1\s' '$d/samples.dat'"
n=$(grep -c '^198\.19\.' "$d/samples.dat")
off=$(log_count "$d" "Адрес вне подсетей! 10.")
check "floods: 2,000 off-link in $off lines, none learned; 2,000 on-link learned within the bound ($n), told once" \
  bash -c "[ $off -ge 1 ] && [ $off -le 5 ] && ! grep -v '^$LAB_NET\.' '$d/samples.dat' | grep -q '^10\.' && [ $n -ge 60 ] && [ $n -le 80 ] && [ $(log_count "$d" 'образцы новых адресов приостановлено') -eq 1 ]"
ip -n "$LAB"m link del eth0
check "the loss of the interface is journalled" wait_for 3 log_has "$d" "интерфейс eth0 пропал"
ip -n "$LAB"b link add m0 type veth peer name eth0 netns "$LAB"m
ip -n "$LAB"b link set m0 master br0 up
ip -n "$LAB"m link set eth0 address "$MON_MAC"
ip -n "$LAB"m addr add "$LAB_NET.1/24" dev eth0
ip -n "$LAB"m link set eth0 up
wait_for 5 log_has "$d" "интерфейс eth0 снова прослушивается"
sleep 2  # the bridge port forwards, the learning bucket refills
storm a "$LAB_NET.30" 02:30:00:00:00:30 --kind request
check "the re-created interface is heard again, its subnet known" \
  wait_for 5 grep -q "^$LAB_NET.30\s" "$d/samples.dat"
monitor_stop

echo "== --listen on an interface that does not exist"
d=$(fresh_dir missing)
ini_write "$d" CheckInt=30
ip netns exec "$LAB"m "$VETREL" monitor --dir "$d" --listen=nosuch0 >"$d/stdout" 2>"$d/stderr"
rc=$?
check "exit 2 with a message naming it (exit $rc: $(head -c 120 "$d/stderr"))" \
  bash -c "[ $rc -eq 2 ] && grep -q 'cannot listen on nosuch0' '$d/stderr'"

lab_end "live lab"
