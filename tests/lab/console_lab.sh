#!/usr/bin/env bash
# The console monitor against real ARP spoofing: a monitor, a legitimate peer and an
# attacker on one bridge, each in its own network namespace. Usage: console_lab.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
VETREL=$(cd "${1:?usage: console_lab.sh BUILD_DIR}" && pwd)/src/vetrel
FORGE="/usr/bin/python3 $here/arp_forge.py"
LAB=con$$
. "$root/scripts/lab/console_netlab.sh"
. "$root/scripts/lab/lab_check.sh"

[ "$(id -u)" -eq 0 ] || { echo "console lab: needs root"; exit 1; }
[ -x "$VETREL" ] || { echo "console lab: $VETREL not built"; exit 1; }

work=$(mktemp -d /tmp/vetrel-console-lab.XXXXXX)
cleanup() {
  monitor_kill
  lab_down
  ip netns del "$LAB"x 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

failures=0
forge() {  # ip mac [options]: from the attacker's namespace
  ip netns exec "$LAB"a $FORGE eth0 "$@" 2>/dev/null
}
neigh_of() { ip -n "$LAB"m neigh show "$1" dev eth0; }
reset_lab() { lab_reset "console lab"; }

peer=$LAB_NET.2
peer_mac=$(mac_text "$PEER_MAC")
att_mac=$(mac_text "$ATT_MAC")

echo "== command line"
check "--help exits 0" bash -c "'$VETREL' --help >/dev/null"
"$VETREL" monitor --bogus 2>/dev/null
check "unknown option exits 2" test $? -eq 2
"$VETREL" monitor --cp1251 --dir "$work/none" 2>"$work/err.txt"
check "missing directory exits 2 with a message" \
  bash -c "test $? -eq 2 && grep -q 'data directory' '$work/err.txt'"

echo "== a namespace without adapters ends the start-up with exit code 1"
ip netns add "$LAB"x
ip -n "$LAB"x link set lo up
d=$(fresh_dir noadapter)
ini_write "$d" WriteLog=1
timeout 20 ip netns exec "$LAB"x "$VETREL" monitor --cp1251 --dir "$d" >"$d/stdout" 2>"$d/stderr"
check "exit code 1" test $? -eq 1
check "the error on stderr" bash -c "iconv -f cp1251 '$d/stderr' | grep -qF 'Ошибка при определении сетевого адаптера.'"
check "start lines journalled" log_has "$d" 'Запуск программы.'
check "no exit line" log_lacks "$d" 'Выход из программы.'
ip netns del "$LAB"x

echo "== spoofing is reported once while the forged binding stays"
reset_lab
d=$(fresh_dir spoof)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=0 CheckMac=1 Restore=0
peer_sample "$d"
monitor_start "$d"
announce_peer
sleep 2.2  # two checks see the genuine binding
check "genuine binding raises nothing" log_lacks "$d" 'Подмена'
# A second monitor on the same directory is refused before it touches anything.
timeout 10 ip netns exec "$LAB"m "$VETREL" monitor --dir "$d" >"$work/second.out" 2>"$work/second.err"
check "a second monitor in the same directory exits 1 naming it" \
  bash -c "test $? -eq 1 && grep -qF 'another monitor runs in the data directory $d' '$work/second.err'"
check "  ... and journals nothing" test "$(log_count "$d" 'Запуск программы.')" -eq 1
forge "$peer" "$ATT_MAC" --packets 15 --rate 5 --max-seconds 5 &
forger=$!
t0=$(date +%s.%N)
spoof_line="Подмена адреса! $peer $att_mac ($peer $peer_mac)"
wait_for 3 log_has "$d" "$spoof_line"
found=$?
t1=$(date +%s.%N)
check "spoofing line within CheckInt + 2 s ($(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }') s)" \
  test $found -eq 0
wait "$forger"
sleep 2.2
check "reported exactly once while forged replies go on" test "$(log_count "$d" 'Подмена адреса!')" -eq 1
check "the line reached stdout too" bash -c "iconv -f cp1251 '$d/stdout' | grep -qF '$spoof_line'"
check "kernel still holds the forged binding (no Restore)" bash -c "ip -n ${LAB}m neigh show $peer | grep -qi '$ATT_MAC'"
monitor_stop
check "SIGTERM exits 0" test "$MON_RC" -eq 0
check "exit lines journalled in order" bash -c \
  "iconv -f cp1251 '$d/quorel.log' | tail -n2 | cut -c21- | tr -d '\r' | paste -sd'|' | grep -qx 'Выход из программы.|Конец записи в лог-файл.'"

echo "== Restore writes the sample's MAC back as a permanent entry"
reset_lab
d=$(fresh_dir restore)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=0 CheckMac=1 Restore=1
peer_sample "$d"
monitor_start "$d"
announce_peer
sleep 1.2
forge "$peer" "$ATT_MAC" --packets 3 --rate 10
check "spoofing reported" wait_for 3 log_has "$d" "Подмена адреса! $peer $att_mac"
check "table holds the sample's MAC as permanent" \
  wait_for 3 bash -c "ip -n ${LAB}m neigh show $peer dev eth0 | grep -qiE '$PEER_MAC .*PERMANENT'"
forge "$peer" "$ATT_MAC" --packets 10 --rate 10
sleep 1.5
check "further forged replies do not change it" \
  bash -c "ip -n ${LAB}m neigh show $peer dev eth0 | grep -qiE '$PEER_MAC .*PERMANENT'"
check "no restore error" log_lacks "$d" 'Ошибка восстановления'
check "spoofing reported once (the restored entry equals the sample)" \
  test "$(log_count "$d" 'Подмена адреса!')" -eq 1
monitor_stop

echo "== AddNew learns new hosts; a second IP of a known MAC is an additional IP"
reset_lab
d=$(fresh_dir addnew)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=1 CheckMac=1 AddAddIp=0 BlockNew=0
monitor_start "$d"
ip netns exec "$LAB"m ping -c1 -W1 "$peer" >/dev/null
check "new address journalled" wait_for 3 log_has "$d" "Новый IP-адрес! $peer $peer_mac"
check "new address became a sample" wait_for 2 grep -qaP "^$peer\t$peer_mac\t?\r?$" "$d/samples.dat"
ip -n "$LAB"p addr add "$LAB_NET.12/24" dev eth0
ip netns exec "$LAB"m ping -c1 -W1 "$LAB_NET.12" >/dev/null
check "second IP of the same MAC is an additional IP" \
  wait_for 3 log_has "$d" "Дополн. IP-адрес! $LAB_NET.12 $peer_mac"
check "and is not added to the samples" bash -c "! grep -qa '^$LAB_NET.12' '$d/samples.dat'"
monitor_stop INT
check "SIGINT also ends through the shut-down" bash -c \
  "test $MON_RC -eq 0 && iconv -f cp1251 '$d/quorel.log' | tail -n1 | grep -qF 'Конец записи в лог-файл.'"

echo "== BlockNew poisons a new host's binding"
reset_lab
d=$(fresh_dir block)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=0 CheckMac=1 BlockNew=1
monitor_start "$d"
ip netns exec "$LAB"m ping -c1 -W1 "$peer" >/dev/null
check "new address journalled" wait_for 3 log_has "$d" "Новый IP-адрес! $peer $peer_mac"
check "entry is permanent with MAC 00-00-00-00-00-xx" \
  wait_for 3 bash -c "ip -n ${LAB}m neigh show $peer dev eth0 | grep -qE '00:00:00:00:00:[0-9a-f]{2} .*PERMANENT'"
check "no blocking error" log_lacks "$d" 'Ошибка записи MAC'
monitor_stop

echo "== SaveStat keeps static entries across a restart"
reset_lab
d=$(fresh_dir statics)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=0 CheckMac=0 SaveStat=1
monitor_start "$d"
ip -n "$LAB"m neigh replace "$LAB_NET.50" lladdr 02:aa:bb:cc:dd:50 nud permanent dev eth0
ip -n "$LAB"m neigh replace "$LAB_NET.51" lladdr 02:aa:bb:cc:dd:51 nud permanent dev eth0
ip netns exec "$LAB"m ping -c1 -W1 "$peer" >/dev/null
sleep 1.2
monitor_stop
check "SIGTERM exits 0" test "$MON_RC" -eq 0
check "statics saved in upper case, dynamic entries left out" bash -c \
  "grep -qaP '^$LAB_NET.50\t02-AA-BB-CC-DD-50\r$' '$d/statics.dat' && grep -qaP '^$LAB_NET.51\t02-AA-BB-CC-DD-51\r$' '$d/statics.dat' && ! grep -qa '^$peer' '$d/statics.dat'"
ip -n "$LAB"m neigh flush dev eth0 nud permanent
ip -n "$LAB"m neigh flush dev eth0
check "table flushed" bash -c "! ip -n ${LAB}m neigh show | grep -q ."
monitor_start "$d"
check "restart re-applies them" wait_for 3 bash -c \
  "ip -n ${LAB}m neigh show $LAB_NET.50 | grep -qi '02:aa:bb:cc:dd:50 .*PERMANENT' && ip -n ${LAB}m neigh show $LAB_NET.51 | grep -qi '02:aa:bb:cc:dd:51 .*PERMANENT'"
check "no error adding them" log_lacks "$d" 'Ошибка добавления'
monitor_stop

echo "== route changes are reported with MsgOnRoute"
reset_lab
d=$(fresh_dir routes)
ini_write "$d" CheckInt=1 WriteLog=1 MsgOnRoute=1
monitor_start "$d"
sleep 1.5  # the start-up refresh is the program's own and is not reported
check "start-up refresh not reported" test "$(log_count "$d" 'Изменения таблицы маршрутов')" -eq 0
ip -n "$LAB"m route add 10.200.0.0/16 via "$peer"
check "route change reported" wait_for 4 log_has "$d" "Изменения таблицы маршрутов"
ip netns exec "$LAB"m "$VETREL" routes --cp1251 --dir "$d" >"$d/routes.txt"
check "vetrel routes lists the new route" bash -c \
  "grep -qE '^ *10\.200\.0\.0 +255\.255\.0\.0 +$peer +$LAB_NET\.1 +[0-9]+$' '$d/routes.txt'"
check "vetrel routes prints its header" bash -c "head -n1 '$d/routes.txt' | iconv -f cp1251 | grep -q 'Адрес'"
monitor_stop

echo "== unprivileged: watching works, writes fail and are journalled"
reset_lab
d=$(fresh_dir unpriv)
chmod 0711 "$work"
chmod 0777 "$d"
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=0 CheckMac=1 Restore=1
peer_sample "$d"
chmod 0666 "$d"/*
ip netns exec "$LAB"m setpriv --reuid=65534 --regid=65534 --clear-groups \
  "$VETREL" monitor --cp1251 --dir "$d" >"$d/stdout" 2>"$d/stderr" &
MON_PID=$!
wait_for 5 log_has "$d" "Запуск программы."
check "privilege warning on stderr" grep -q "CAP_NET_ADMIN" "$d/stderr"
announce_peer
sleep 1.2
forge "$peer" "$ATT_MAC" --packets 3 --rate 10
check "spoofing still detected" wait_for 3 log_has "$d" "Подмена адреса! $peer $att_mac"
check "the failed restore is journalled" wait_for 2 log_has "$d" "Ошибка восстановления MAC для IP $peer"
monitor_stop
check "SIGTERM exits 0" test "$MON_RC" -eq 0

echo "console lab: $failures failure(s)"
[ "$failures" -eq 0 ]
