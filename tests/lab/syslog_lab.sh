#!/usr/bin/env bash
# Journal lines to a real rsyslogd: vetrel monitor in the namespace lab sends spoofing, new
# address and route change events over UDP and TCP to an rsyslogd that this script starts in
# the monitor's namespace (127.0.0.1 there), and prints them as JSON with --json. Then a
# 1,000-event flood over TCP with rsyslogd restarted in the middle (every event arrives, none
# twice), and a collector that accepts and never reads (the tick keeps its second, memory
# stays bounded). Usage: syslog_lab.sh BUILD_DIR (root)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
FORGE="/usr/bin/python3 $here/arp_forge.py"
LAB=slg$$
. "$root/scripts/lab/console_netlab.sh"
. "$root/scripts/lab/lab_check.sh"
. "$root/scripts/lab/rsyslog_server.sh"
lab_begin "syslog lab" "${1:?usage: syslog_lab.sh BUILD_DIR}" rsyslogd
SINK_PID=
cleanup() {
  monitor_kill
  rsyslog_down
  [ -n "$SINK_PID" ] && kill "$SINK_PID" 2>/dev/null
  lab_down
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

forge() { ip netns exec "$LAB"a $FORGE eth0 "$@" 2>/dev/null; }
reset_lab() {
  monitor_kill
  rsyslog_down
  lab_reset "syslog lab"
}
stats_value() { grep -o "$2=[0-9.]*" "$1/stderr" | tail -n1 | cut -d= -f2; }

peer=$LAB_NET.2
peer_mac=$(mac_text "$PEER_MAC")
att_mac=$(mac_text "$ATT_MAC")
host=$(hostname)
bom=$'\xEF\xBB\xBF'
port=$((20000 + $$ % 20000))

echo "== UDP: spoofing, a new address and a route change reach rsyslogd; --json on stdout"
reset_lab
d=$(fresh_dir udp)
rsyslog_up "$d" "$port" "$LAB"m || exit 1
ini_write "$d" CheckInt=2 WriteLog=1 AddNew=0 CheckMac=1 MsgOnRoute=1 \
  SyslogServer=127.0.0.1 SyslogPort=$port SyslogProto=udp
peer_sample "$d"
# A zone of its own, so the offset in the timestamps is not the trivial Z.
export TZ=MSK-3
monitor_start "$d" --json
pid=$MON_PID
unset TZ
announce_peer
sleep 2.2
forge "$peer" "$ATT_MAC" --packets 3 --rate 10
spoof="Подмена адреса! $peer $att_mac ($peer $peer_mac)"
check "spoofing received" wait_for 5 received_has "$spoof"
forge "$LAB_NET.60" "$ATT_MAC" --packets 2 --rate 10
newip="Новый IP-адрес! $LAB_NET.60 $att_mac"
check "new address received" wait_for 5 received_has "$newip"
ip -n "$LAB"m route add 10.200.0.0/16 via "$peer"
check "route change received" wait_for 5 received_has "Изменения таблицы маршрутов"
monitor_stop
check "monitor exits 0" test "$MON_RC" -eq 0
check "exit line reaches the collector" wait_for 3 received_has "Выход из программы."
check "the syslog keys stay in quorel.ini after the settings were saved" bash -c \
  "tr -d '\r' <'$d/quorel.ini' | grep -qx 'SyslogProto=udp' && tr -d '\r' <'$d/quorel.ini' | grep -qx 'AddNew=0'"

stamp_of() {  # the log's stamp of a line, as RFC 3339 with the zone's offset
  log_utf8 "$d" | grep -F -- "$1" | head -n1 |
    sed -E 's/^([0-9]{2})\.([0-9]{2})\.([0-9]{4}) ([0-9:]{8}) .*/\3-\2-\1T\4+03:00/'
}
expect_line() {  # what, PRI|SEV|MSGID, SD, text
  local want
  want="$2|$host|vetrel|$pid|$(stamp_of "$4")|$3|$bom$4"
  if received | grep -qxF -- "$want"; then
    echo "  ok: $1"
  else
    echo "  FAIL: $1: want $want"
    received | grep -F -- "$4" | sed 's/^/    got /'
    failures=$((failures + 1))
  fi
}
# The attacker's MAC is locally administered, which the vendor says when ieee-data is there.
vendor_sd=
[ -r /usr/share/ieee-data/oui.csv ] && vendor_sd=' vendor="(locally administered)"'
expect_line "spoofing: PRI 26 (daemon.crit), SPOOF, SD with both pairs, Cyrillic MSG" "26|2|SPOOF" \
  "[vetrel@32473 kind=\"Spoofing\" ip=\"$peer\" mac=\"$att_mac\"$vendor_sd sampleIp=\"$peer\" sampleMac=\"$peer_mac\"]" \
  "$spoof"
expect_line "new address: PRI 29 (daemon.notice), NEWIP, SD with the pair" "29|5|NEWIP" \
  "[vetrel@32473 kind=\"NewAddress\" ip=\"$LAB_NET.60\" mac=\"$att_mac\"$vendor_sd]" "$newip"
expect_line "route change: PRI 29, ROUTE" "29|5|ROUTE" "[vetrel@32473 kind=\"RouteChange\"]" \
  "Изменения таблицы маршрутов"
expect_line "start line: PRI 30 (daemon.info), INFO" "30|6|INFO" "[vetrel@32473 kind=\"Info\"]" \
  "Запуск программы."
check "every journal line was sent once" test "$(received | wc -l)" -eq "$(log_utf8 "$d" | wc -l)"

/usr/bin/python3 - "$d/stdout" "$d/quorel.log" "$spoof" "$peer" "$att_mac" "$peer_mac" <<'PY' >"$d/json.check" 2>&1
import json, sys
out, log, spoof, ip, mac, smac = sys.argv[1:]
objs = [json.loads(l) for l in open(out, encoding="utf-8")]
lines = [l.rstrip("\r\n")[20:] for l in open(log, encoding="cp1251")]
assert [o["text"] for o in objs] == lines, "texts differ from the log"
s = [o for o in objs if o["kind"] == "Spoofing"]
assert len(s) == 1 and s[0]["text"] == spoof, s
assert (s[0]["ip"], s[0]["mac"], s[0]["sampleIp"], s[0]["sampleMac"]) == (ip, mac, ip, smac), s
stamps = [f"{l[6:10]}-{l[3:5]}-{l[0:2]}T{l[11:19]}+03:00" for l in open(log, encoding="cp1251")]
assert [o["time"] for o in objs] == stamps, "times differ from the log's stamps"
kinds = sorted({o["kind"] for o in objs})
assert kinds == ["Info", "NewAddress", "RouteChange", "Spoofing"], kinds
print(len(objs), "objects")
PY
check "--json: one object a journal line, texts as logged, spoofing fields ($(tail -n1 "$d/json.check"))" \
  grep -q objects "$d/json.check"
rsyslog_down

echo "== a samples.dat line of odd bytes: told as it is, in the JSON and the syslog message alike"
d=$(fresh_dir bytes)
rsyslog_up "$d" "$port" "$LAB"m || exit 1
ini_write "$d" CheckInt=2 WriteLog=1 AddNew=0 CheckMac=1 \
  SyslogServer=127.0.0.1 SyslogPort=$port SyslogProto=tcp
# Everything a samples.dat MAC field can hold but its separators: quotes, backslash, brackets,
# control bytes and DEL (which the journal turns into '?'), the unassigned 0x98, Cyrillic. No
# MAC, so the line is no sample: it is told once, as it stands, and contradicts nothing.
odd='\042\134\135\133\175\001\037\177\230\377\250\200\075\047\045\044\300\020\176'
printf "%s\t$odd\tpeer\r\n" "$peer" >"$d/samples.dat"
monitor_start "$d" --json
announce_peer
sleep 1.5
forge "$peer" "$ATT_MAC" --packets 3 --rate 10
check "the line is told" wait_for 5 bash -c "grep -q '|ERROR|' '$d/received.log'"
sleep 1.5
monitor_stop
check "and contradicts nothing" bash -c "! grep -q '|SPOOF|' '$d/received.log'"
printf "$odd" >"$d/odd.bin"
/usr/bin/python3 - "$d" "$peer" <<'PY' >"$d/bytes.check" 2>&1
import json, sys
d, peer = sys.argv[1:3]
odd = open(d + "/odd.bin", "rb").read().decode("cp1251", errors="replace")
# A journal line is one line of text: control bytes from the file arrive as '?'.
odd = "".join("?" if ord(c) < 32 or ord(c) == 127 else c for c in odd)
shown = "%s %s peer." % (peer, odd)
objs = [json.loads(l) for l in open(d + "/stdout", encoding="utf-8")]
told = [o for o in objs if o["kind"] == "ProgramError" and "samples.dat" in o["text"]]
assert len(told) == 1 and shown in told[0]["text"], (told, shown)
line = [l for l in open(d + "/received.log", encoding="utf-8") if "|ERROR|" in l][0]
assert shown in line.split("|", 8)[8], (line, shown)
print("the odd bytes ok in JSON and the message:", told[0]["text"][-40:])
PY
check "JSON and syslog carry the bytes ($(tail -n1 "$d/bytes.check"))" grep -q 'bytes ok' "$d/bytes.check"
rsyslog_down

echo "== the systemd drop-in's ExecStartPre sets the keys and keeps the others"
d=$(fresh_dir dropin)
ini_write "$d" CheckInt=7 SyslogServer=old.example.net MsgOnRoute=1
cmd=$(sed -n 's/^ExecStartPre=//p' "$root/packaging/vetrel-syslog.conf" | sed "s#/var/lib/vetrel#$d#")
eval "$cmd"
check "collector keys replaced, others kept" bash -c "tr -d '\r' <'$d/quorel.ini' | paste -sd' ' |
  grep -qx '\[Vetrel\] CheckInt=7 MsgOnRoute=1 SyslogServer=logs.example.net SyslogPort=514 SyslogProto=tcp'"
rm "$d/quorel.ini"
eval "$cmd"
check "a missing quorel.ini is made with the section" bash -c "head -n1 '$d/quorel.ini' | grep -qx '\[Vetrel\]'"
sed -i "s/logs.example.net/127.0.0.1/; s/^SyslogPort=514/SyslogPort=$port/" "$d/quorel.ini"
printf 'CheckInt=2\r\nWriteLog=1\r\n' >>"$d/quorel.ini"
rsyslog_up "$d" "$port" "$LAB"m || exit 1
monitor_start "$d"
check "a monitor started so sends to the collector" wait_for 5 received_has "Запуск программы."
monitor_stop
rsyslog_down

echo "== the receiving rule shown in the README is one rsyslogd takes"
sed -n '/^    module(load="imtcp")/,/^    }$/p' "$root/README.md" | sed 's/^    //' >"$work/rule.conf"
check "rsyslogd -N1 accepts it" bash -c "[ -s '$work/rule.conf' ] && rsyslogd -N1 -f '$work/rule.conf' >/dev/null 2>&1"

echo "== a bad value: journalled once as a program error, nothing sent"
d=$(fresh_dir bad)
rsyslog_up "$d" "$port" "$LAB"m || exit 1
ini_write "$d" CheckInt=2 WriteLog=1 SyslogServer=127.0.0.1 SyslogPort=$port SyslogProto=sctp
monitor_start "$d"
sleep 1.5
monitor_stop
check "complaint in the log once" test "$(log_count "$d" 'Неверное значение SyslogProto=sctp')" -eq 1
check "it follows the start line" bash -c \
  "iconv -f cp1251 '$d/quorel.log' | cut -c21- | sed -n 2,3p | tr -d '\r' | paste -sd'|' | grep -q '^Запуск программы.|Неверное значение SyslogProto'"
check "nothing sent" test "$(received | wc -l)" -eq 0
rsyslog_down

echo "== TCP: 1,000 new addresses while rsyslogd restarts; every one arrives, none twice"
reset_lab
d=$(fresh_dir flood)
rsyslog_up "$d" "$port" "$LAB"m || exit 1
ini_write "$d" CheckInt=2 WriteLog=1 AddNew=1 CheckMac=1 \
  SyslogServer=127.0.0.1 SyslogPort=$port SyslogProto=tcp SyslogMask=16
monitor_start "$d" --stats
for b in $(seq 0 9); do
  for h in $(seq 0 99); do
    printf 'neigh add 10.78.%d.%d lladdr 02:78:00:00:%02x:%02x dev eth0 nud permanent\n' "$b" "$h" "$b" "$h"
  done | ip -n "$LAB"m -batch -
  sleep 0.5
  if [ "$b" -eq 4 ]; then
    rsyslog_down
    before=$(received | grep -c '|NEWIP|')
    sleep 1.5  # events go on meanwhile; the queue holds them
    rsyslog_start || exit 1
  fi
done
check "the flood is journalled (1,000 lines)" wait_for 10 bash -c \
  "[ \$(iconv -f cp1251 '$d/quorel.log' | grep -c 'Новый IP-адрес! 10.78') -eq 1000 ]"
wait_for 60 bash -c "[ \$(grep -c '|NEWIP|' '$d/received.log') -ge 1000 ]"
sleep 2  # anything sent twice would arrive now
total=$(received | grep -c '|NEWIP|')
unique=$(received | grep '|NEWIP|' | grep -o 'ip="[0-9.]*"' | sort -u | wc -l)
echo "  received before the restart: $before, in all: $total, distinct: $unique"
check "rsyslogd was restarted mid-flood" test "$before" -gt 0 -a "$before" -lt 1000
check "every event arrived" test "$unique" -eq 1000
check "none twice" test "$total" -eq 1000
check "no dropped-lines note" bash -c "! grep -q '|DROPPED|' '$d/received.log'"
monitor_stop
rsyslog_down

echo "== a collector that accepts and never reads: one-second tick, bounded memory"
reset_lab
d=$(fresh_dir stall)
ip netns exec "$LAB"m /usr/bin/python3 -c '
import socket, sys, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
s.bind(("127.0.0.1", int(sys.argv[1])))
s.listen(4)
c, _ = s.accept()
time.sleep(float(sys.argv[2]))
' "$port" 60 &
SINK_PID=$!
sleep 0.5
ini_write "$d" CheckInt=2 WriteLog=1 AddNew=1 CheckMac=1 \
  SyslogServer=127.0.0.1 SyslogPort=$port SyslogProto=tcp
monitor_start "$d" --stats
sleep 1
for h in $(seq 0 999); do
  printf 'neigh add 10.79.%d.%d lladdr 02:79:00:00:%02x:%02x dev eth0 nud permanent\n' \
    $((h / 256)) $((h % 256)) $((h / 256)) $((h % 256))
done | ip -n "$LAB"m -batch -
sleep 1.5
# Every second all 1,000 bindings change: 1,000 spoofing lines a second into a full window.
rss=()
for r in $(seq 1 40); do
  for h in $(seq 0 999); do
    printf 'neigh replace 10.79.%d.%d lladdr 02:79:%02x:00:%02x:%02x dev eth0 nud permanent\n' \
      $((h / 256)) $((h % 256)) "$r" $((h / 256)) $((h % 256))
  done | ip -n "$LAB"m -batch -
  rss+=("$(awk '/^VmRSS/ { print $2 }' /proc/$MON_PID/status)")
  sleep 1
done
spoofs=$(iconv -f cp1251 "$d/stdout" | grep -c 'Подмена адреса!')
monitor_stop
late=$(stats_value "$d" max_tick_lateness_ms)
peak=$(stats_value "$d" peak_rss_kb)
echo "  spoofing lines: $spoofs; max tick lateness ${late} ms; RSS kB every second: ${rss[*]}; peak ${peak} kB"
check "more lines than the queue and the socket hold were journalled" test "$spoofs" -ge 30000
check "the tick kept its second (lateness < 1000 ms)" awk -v l="$late" 'BEGIN { exit !(l < 1000) }'
# Flat once the queue is full: the last fifteen samples grow by less than 1 MB.
check "memory stays bounded" awk -v a="${rss[24]}" -v b="${rss[39]}" 'BEGIN { exit !(b - a < 1024) }'
check "monitor exits 0 although the collector hangs" test "$MON_RC" -eq 0

lab_end "syslog lab"
