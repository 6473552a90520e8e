#!/usr/bin/env bash
# The console monitor against hostile or broken surroundings: a FIFO named quorel.log, data
# files it may not read, a stdout nobody reads, MACs written in upper case and host names
# with blanks, samples and static entries that name no host, samples.dat lines that hold no
# sample, a block the wire sees again. Namespaces as in console_lab.sh. Usage: console_mends_lab.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
LAB=cme$$
. "$root/scripts/lab/console_netlab.sh"
. "$root/scripts/lab/lab_check.sh"
lab_begin "console mends lab" "${1:?usage: console_mends_lab.sh BUILD_DIR}"
sleeper=
cleanup() {
  monitor_kill
  [ -n "$sleeper" ] && kill "$sleeper" 2>/dev/null
  lab_down
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

reset_lab() { lab_reset "console mends lab"; }
out_has() { iconv -f cp1251 "$1/stdout" 2>/dev/null | grep -qF -- "$2"; }
cp1251() { printf '%s' "$1" | iconv -f utf-8 -t cp1251; }

peer=$LAB_NET.2
peer_mac=$(mac_text "$PEER_MAC")

echo "== a FIFO named quorel.log neither holds up the start nor the stop"
reset_lab
d=$(fresh_dir fifo)
ini_write "$d" CheckInt=1 WriteLog=1
mkfifo "$d/quorel.log"
ip netns exec "$LAB"m "$VETREL" monitor --cp1251 --dir "$d" >"$d/stdout" 2>"$d/stderr" &
MON_PID=$!
check "start-up goes on" wait_for 5 out_has "$d" "Запуск программы."
check "the log's name is a program error" \
  out_has "$d" "Ошибка открытия лог-файла quorel.log: это не файл. Запись в лог не ведется."
sleep 1.2
monitor_stop
check "SIGTERM ends it through the shut-down (exit 0)" test "$MON_RC" -eq 0
check "exit line on stdout" out_has "$d" "Выход из программы."
check "the FIFO is still a FIFO" test -p "$d/quorel.log"

echo "== extreme CheckInt values from the file run no further check and overflow nothing"
for interval in -2147483648 2147483648 0; do
  reset_lab
  d=$(fresh_dir "interval$interval")
  ini_write "$d" CheckInt=$interval WriteLog=1 AddNew=1 CheckMac=1
  monitor_start "$d" --stats
  sleep 3  # ticks that count the check interval on (an overflow stops a sanitizer build)
  monitor_stop
  check "CheckInt=$interval: SIGTERM ends it through the shut-down (exit 0)" bash -c \
    "test $MON_RC -eq 0 && iconv -f cp1251 '$d/quorel.log' | tail -n1 | grep -qF 'Конец записи в лог-файл.'"
  check "CheckInt=$interval: only the first check ran" grep -q ' checks=1 ' "$d/stderr"
done

echo "== data files the monitor may not read are never replaced"
reset_lab
d=$(fresh_dir unreadable)
chmod 0711 "$work"
chmod 0777 "$d"
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=1 CheckMac=1 SaveStat=1
printf '10.9.9.9\t02-00-00-00-00-09\tsomeone\r\n' >"$d/samples.dat"
printf '10.9.9.8\t02-00-00-00-00-08\r\n' >"$d/statics.dat"
chmod 0000 "$d/samples.dat" "$d/statics.dat"
chmod 0666 "$d/quorel.ini"
samples_before=$(sha256sum <"$d/samples.dat")
statics_before=$(sha256sum <"$d/statics.dat")
ip netns exec "$LAB"m setpriv --reuid=65534 --regid=65534 --clear-groups \
  "$VETREL" monitor --cp1251 --dir "$d" >"$d/stdout" 2>"$d/stderr" &
MON_PID=$!
wait_for 5 log_has "$d" "Запуск программы."
ip netns exec "$LAB"m ping -c1 -W1 "$peer" >/dev/null
check "the new host is learned" wait_for 3 log_has "$d" "Новый IP-адрес! $peer $peer_mac"
sleep 1.2
monitor_stop
check "SIGTERM exits 0" test "$MON_RC" -eq 0
check "samples.dat unchanged" test "$(sha256sum <"$d/samples.dat")" = "$samples_before"
check "statics.dat unchanged" test "$(sha256sum <"$d/statics.dat")" = "$statics_before"
check "both still mode 000" test "$(stat -c %a "$d/samples.dat" "$d/statics.dat" | sort -u)" = 0
check "said once each as a program error" bash -c \
  "test \$(iconv -f cp1251 '$d/quorel.log' | grep -c 'Ошибка чтения файла samples.dat. Файл не будет перезаписан.') -eq 1 &&
   test \$(iconv -f cp1251 '$d/quorel.log' | grep -c 'Ошибка чтения файла statics.dat. Файл не будет перезаписан.') -eq 1"
check "no temporary file left" bash -c "! ls '$d' | grep -q '\.tmp'"

echo "== a stdout nobody reads holds up neither the checks nor SIGTERM"
reset_lab
d=$(fresh_dir stalled)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=1 CheckMac=1
# 3,000 hosts: their journal lines are several times what a pipe holds.
ip -n "$LAB"m addr add 10.78.0.1/16 dev eth0
for i in $(seq 0 2999); do
  printf 'neigh add 10.78.%d.%d lladdr 02:78:00:00:%02x:%02x dev eth0 nud permanent\n' \
    $((i / 200 + 1)) $((i % 200 + 1)) $((i / 256)) $((i % 256))
done | ip -n "$LAB"m -batch -
mkfifo "$d/out"
# shellcheck disable=SC2217
sleep 600 <"$d/out" &  # opens the FIFO for reading and never reads
sleeper=$!
ip netns exec "$LAB"m "$VETREL" monitor --cp1251 --dir "$d" >"$d/out" 2>"$d/stderr" &
MON_PID=$!
check "all 3,000 hosts are journalled to the log" \
  wait_for 20 bash -c "test \$(iconv -f cp1251 '$d/quorel.log' | grep -c 'Новый IP-адрес! 10.78.') -eq 3000"
ip -n "$LAB"m neigh add 10.78.99.1 lladdr 02:78:99:00:00:01 dev eth0 nud permanent
check "later checks go on" wait_for 4 log_has "$d" "Новый IP-адрес! 10.78.99.1 "
t0=$(date +%s.%N)
monitor_stop
t1=$(date +%s.%N)
check "SIGTERM ends it through the shut-down (exit 0) in $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }') s" \
  test "$MON_RC" -eq 0
check "the log keeps every line, the exit lines last" bash -c \
  "iconv -f cp1251 '$d/quorel.log' | tail -n2 | cut -c21- | tr -d '\r' | paste -sd'|' | grep -qx 'Выход из программы.|Конец записи в лог-файл.'"
kill "$sleeper" 2>/dev/null
wait "$sleeper" 2>/dev/null
sleeper=

echo "== a sample MAC in upper case and a host name with blanks"
reset_lab
d=$(fresh_dir uppercase)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=1 CheckMac=1 Restore=1
name="Шлюз офиса (основной)"
PEER_MAC=02:ab:cd:ef:00:02  # with hex letters, which ipconfig /all prints in upper case
ip -n "$LAB"p link set eth0 address "$PEER_MAC"
upper=$(echo "$PEER_MAC" | tr ':' '-' | tr 'a-f' 'A-F')
{ printf '%s\t%s\t' "$peer" "$upper"; cp1251 "$name"; printf '\r\n'; } >"$d/samples.dat"
monitor_start "$d"
announce_peer
ip netns exec "$LAB"m ping -c1 -W1 "$LAB_NET.3" >/dev/null  # a new host: the file is saved
check "the new host is learned" wait_for 3 log_has "$d" "Новый IP-адрес! $LAB_NET.3"
sleep 2.2
check "the peer's binding was seen" bash -c "ip -n ${LAB}m neigh show $peer | grep -qi '$PEER_MAC'"
check "the peer is no spoofing" log_lacks "$d" "Подмена адреса!"
check "nothing was restored" bash -c "! ip -n ${LAB}m neigh show $peer | grep -q PERMANENT"
check "the sample keeps its upper-case MAC and its whole name" bash -c \
  "head -n1 '$d/samples.dat' | iconv -f cp1251 | grep -qxF \"\$(printf '%s\t%s\t%s\r' '$peer' '$upper' '$name')\""
monitor_stop
check "SIGTERM exits 0" test "$MON_RC" -eq 0

echo "== samples with colons, without a MAC or with a zero MAC; zero lines in statics.dat"
reset_lab
d=$(fresh_dir forms)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=0 CheckMac=1 Restore=1 SaveStat=1
printf '%s\t%s\tpeer\r\n%s\t\tattacker.lab\r\n%s\t00-00-00-00-00-00\tzero\r\n' \
  "$peer" "$(echo "$PEER_MAC" | tr 'a-f' 'A-F')" "$LAB_NET.3" "$LAB_NET.9" >"$d/samples.dat"
cp "$d/samples.dat" "$work/forms.planted"
printf '%s\t00-00-00-00-00-00\r\n224.0.0.22\t00-00-00-00-00-00\r\n%s\t00-00-00-00-00-00\r\n' \
  "$LAB_NET.9" "$LAB_NET.9" >"$d/statics.dat"
ip -n "$LAB"m neigh replace "$LAB_NET.9" lladdr 00:00:00:00:00:00 dev eth0 nud permanent
monitor_start "$d"
announce_peer
ip netns exec "$LAB"m ping -c1 -W1 "$LAB_NET.3" >/dev/null
sleep 2.5
check "the peer's and the attacker's bindings were seen" bash -c \
  "ip -n ${LAB}m neigh show | grep -qi '$PEER_MAC' && ip -n ${LAB}m neigh show | grep -qi '$ATT_MAC'"
check "no spoofing line for a colon sample, one without a MAC or a zero one" log_lacks "$d" "Подмена адреса!"
check "nothing was restored" bash -c "! ip -n ${LAB}m neigh show | grep -v '^$LAB_NET.9 ' | grep -q PERMANENT"
check "the zero sample is told once" test "$(log_count "$d" "Недопустимый MAC-адрес в образце: $LAB_NET.9")" -eq 1
check "the zero statics lines are told, not applied" test \
  "$(log_count "$d" "Неверный MAC-адрес: 00-00-00-00-00-00 — нулевой адрес.")" -eq 2
monitor_stop
check "SIGTERM exits 0" test "$MON_RC" -eq 0
check "the kernel still holds the zero entry" bash -c \
  "ip -n ${LAB}m neigh show $LAB_NET.9 | grep -q '00:00:00:00:00:00 PERMANENT'"
check "samples.dat byte for byte" cmp -s "$d/samples.dat" "$work/forms.planted"
check "statics.dat saves no zero entry" bash -c "! grep -q '00-00-00-00-00-00' '$d/statics.dat'"

echo "== samples.dat as hands and older releases left it, over two starts"
reset_lab
d=$(fresh_dir samples)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=1 CheckMac=1
peer_mac=$(mac_text "$PEER_MAC")  # as the scenario above left it
{
  printf '224.0.0.22\t01-00-5e-00-00-16\t\r\n%s.255\tff-ff-ff-ff-ff-ff\t\r\n' "$LAB_NET"
  printf '010.077.000.002\t%s\tpeer\r\n%s.3\tZZ-00-00-00-00-03\ttypo\r\n' "$peer_mac" "$LAB_NET"
  cp1251 $'мусорная строка\r\n'
  printf '%s.9\t01-00-5e-00-00-09\tgroup\r\n' "$LAB_NET"
} >"$d/samples.dat"
{
  sed -n 1,2p "$d/samples.dat"
  printf '%s\t%s\tpeer\r\n' "$peer" "$peer_mac"
  sed -n 4,6p "$d/samples.dat"
  printf '%s.3\t%s\t\r\n' "$LAB_NET" "$(mac_text "$ATT_MAC")"
} >"$work/samples.expected"
for _ in 1 2; do
  monitor_start "$d"
  announce_peer
  ip netns exec "$LAB"m ping -c1 -W1 "$LAB_NET.3" >/dev/null
  sleep 2.2
  monitor_stop
done
check "told once in two starts: the two lines that hold no sample, the group MAC of a host" bash -c \
  "[ $(log_count "$d" 'Ошибка в файле samples.dat, строка') = 2 ] &&
   [ $(log_count "$d" "в образце: $LAB_NET.9 01-00-5e-00-00-09 (групповой адрес)") = 1 ]"
check "010.077.000.002 is the peer, the typo contradicts nothing: .3 alone is new, once" bash -c \
  "[ $(log_count "$d" 'в образце:') = 1 ] && [ $(log_count "$d" 'Подмена адреса!') = 0 ] &&
   [ $(log_count "$d" 'Новый IP-адрес!') = 1 ] && [ $(log_count "$d" "Новый IP-адрес! $LAB_NET.3 ") = 1 ]"
check "samples.dat: lines kept byte for byte, the address in one form, .3 learned once" \
  cmp "$d/samples.dat" "$work/samples.expected"

echo "== --listen with BlockNew: a block the wire sees again is reported and written once"
reset_lab
d=$(fresh_dir block)
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=0 CheckMac=1 BlockNew=1
monitor_start "$d" --listen=eth0
announce_peer
sleep 2.2
first=$(ip -n "$LAB"m neigh show "$peer")
ip netns exec "$LAB"p /usr/bin/python3 "$LAB_FORGE" eth0 "$peer" "$PEER_MAC" --packets 5 --rate 10 2>/dev/null
sleep 2.2
monitor_stop
check "the peer is reported once" test "$(log_count "$d" "Новый IP-адрес! $peer ")" -eq 1
check "blocked once, by a MAC that is not all zero ($first)" bash -c \
  "grep -qE ' 00:00:00:00:00:([1-9a-f].|0[1-9a-f]) PERMANENT' <<<'$first' && [ \"\$(ip -n ${LAB}m neigh show $peer)\" = '$first' ]"

lab_end "console mends lab"
