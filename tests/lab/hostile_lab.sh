#!/usr/bin/env bash
# Hostile peers against the console program, in two namespaces joined by a veth pair whose
# scanning end has a name with an ESC sequence in it:
#  - an ARP responder that answers with broadcast, zero and multicast sender MACs, to the
#    broadcast MAC, to another address, twice with two MACs, and ahead of the requests, while
#    gratuitous replies flood the range: only the true answers become rows and samples, the
#    second MAC is journalled, samples.dat holds no group or zero MAC;
#  - host names with control characters in /etc/netns/NAME/hosts: cleaned in the rows and in
#    samples.dat;
#  - an SMTP peer whose reply carries CR LF, a forged journal line and ESC sequences: one
#    clean line in quorel.log, on a pseudo-terminal and in the syslog message;
#  - standard descriptors closed at the start: rows never land in quorel.log, exit code 1;
#  - `vetrel routes` and `route delete` over blackhole, unreachable and multipath routes.
# Usage: hostile_lab.sh BUILD_DIR (root)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
. "$root/scripts/lab/lab_check.sh"
lab_begin "hostile lab" "${1:?usage: hostile_lab.sh BUILD_DIR}" script iconv
LAB=hst$$
S=${LAB}s
H=${LAB}h
IF=$'e\x1b[1mx'  # the scanner's interface
PIDS=()
cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  ip netns del "$S" 2>/dev/null
  ip netns del "$H" 2>/dev/null
  rm -rf "/etc/netns/$S" "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

NET=10.77.0
ip netns add "$S" && ip netns add "$H" || exit 1
for ns in "$S" "$H"; do
  ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "$ns" link set lo up
done
ip -n "$S" link add tmp0 address 02:77:00:00:00:01 type veth peer name up0 netns "$H" || exit 1
ip -n "$S" link set tmp0 name "$IF" || exit 1
ip -n "$S" addr add "$NET.1/24" dev "$IF"
ip -n "$S" link set "$IF" up
ip -n "$H" link set up0 up  # no address: only the scripts below answer there
mkdir -p "/etc/netns/$S"
printf '127.0.0.1 localhost\n%s.2 host\x1b[41mESC\x1b[0m\n%s.9 bell\x07del\x7fname\n' "$NET" "$NET" \
  >"/etc/netns/$S/hosts"
echo "nameserver 127.0.0.1" >"/etc/netns/$S/resolv.conf"  # nobody there: lookups fail at once
for _ in $(seq 50); do ip -n "$S" link show "$IF" | grep -q LOWER_UP && break; sleep 0.1; done

in_s() { ip netns exec "$S" "$@"; }
w1251() { printf '%s' "$1" | iconv -f UTF-8 -t CP1251; }  # Windows-1251 bytes of a text
has() { grep -qaF -- "$(w1251 "$2")" "$1"; }
no_byte() { ! LC_ALL=C grep -qaP -- "$2" "$1"; }  # file, Perl byte pattern
udp_sink() {  # file, port: every datagram to 127.0.0.1:port in S, one per line, for 20 s
  in_s /usr/bin/python3 -c '
import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", int(sys.argv[2])))
s.settimeout(0.2)
end = time.monotonic() + 20
with open(sys.argv[1], "ab", buffering=0) as f:
    while time.monotonic() < end:
        try:
            f.write(s.recv(4096).replace(b"\n", b"<LF>").replace(b"\r", b"<CR>") + b"\n")
        except socket.timeout:
            pass' "$1" "$2" &
  PIDS+=($!)
}
syslog_port=$((20000 + $$ % 20000))

echo "== ARP sweep against a hostile responder and a gratuitous flood; names from /etc/hosts"
d=$(fresh_dir scan)
ini_write "$d" WriteLog=1 AddNew=1 ScanCheckMac=1 ScanGetName=1 MaxScanThreads=5 \
  SyslogServer=127.0.0.1 SyslogPort=$syslog_port SyslogProto=udp
udp_sink "$d/syslog" "$syslog_port"
ip netns exec "$H" /usr/bin/python3 "$here/arp_hostile.py" up0 --max-seconds 25 \
  "$NET.2=ok:02:77:00:00:00:02" "$NET.3=ok:ff:ff:ff:ff:ff:ff" "$NET.4=ok:00:00:00:00:00:00" \
  "$NET.5=ok:01:00:5e:00:00:05" "$NET.6=bcast:02:77:00:00:00:06" \
  "$NET.7=twice:02:77:00:00:00:07,02:66:66:66:66:66" "$NET.8=otherip:02:77:00:00:00:08" \
  "$NET.9=ok:02:77:00:00:00:09" "early=$NET.35-$NET.40:02:77:00:00:00:35" &
PIDS+=($!)
# Gratuitous replies for .10 to .40, 2,000 a second, all through the scan.
ip netns exec "$H" /usr/bin/python3 "$here/arp_forge.py" up0 "$NET.10" 02:55:00:00:00:00 \
  --hosts 31 --packets 8000 --rate 2000 --max-seconds 4 &
PIDS+=($!)
sleep 0.5
timeout 30 ip netns exec "$S" "$VETREL" scan --dir "$d" "$NET.2" "$NET.40" >"$d/stdout" 2>"$d/stderr"
rc=$?
expected=$(printf '%s\t%s\t%s\n' "$NET.2" 02-77-00-00-00-02 'host?[41mESC?[0m' \
  "$NET.7" 02-77-00-00-00-07 '' "$NET.9" 02-77-00-00-00-09 'bell?del?name')
check "exit 0" [ "$rc" -eq 0 ]
check "only the true answers are rows, with clean names (got $(wc -l <"$d/stdout"))" \
  [ "$(cut -f1-3 "$d/stdout")" = "$expected" ]  # the fourth field is the vendor
check "samples.dat holds the same three bindings" \
  [ "$(tr -d '\r' <"$d/samples.dat")" = "$expected" ]
check "no group or zero MAC learned" no_byte "$d/samples.dat" 'ff-ff-ff|00-00-00-00-00-00|01-00-5e'
conflict="Конфликт адреса! $NET.7: ответы с 02-77-00-00-00-07 и 02-66-66-66-66-66"
check "the second MAC is journalled in quorel.log" has "$d/quorel.log" "$conflict"
check "... and sent to the collector" grep -qaF -- "$conflict" "$d/syslog"  # UTF-8 there
check "three new hosts reported" [ "$(grep -ac "$(w1251 'Новый IP-адрес!')" "$d/quorel.log")" -eq 3 ]
check "no ESC byte in any output" no_byte "$d/stdout" '\x1b'
check "the kernel learned nothing from the flood" \
  bash -c "! ip -n '$S' neigh show | grep -q '02:55:00'"

echo "== An SMTP peer forging journal lines; the monitor on a pseudo-terminal"
d=$(fresh_dir mail)
smtp_port=$((syslog_port + 1))
syslog_port=$((syslog_port + 2))
printf '550-first\x1b]0;pwned\x07\x1b[2J\r\n550 08.12.2026 03:00:00 %s 198.19.0.254 %s\r\n' \
  "$(w1251 'Подмена адреса!')" 66-66-66-66-66-66 >"$d/reply"
in_s /usr/bin/python3 -c '
import socket, sys, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1])))
s.listen(4)
s.settimeout(1)
reply = open(sys.argv[2], "rb").read()
end = time.monotonic() + 15
while time.monotonic() < end:
    try:
        c, _ = s.accept()
    except socket.timeout:
        continue
    c.settimeout(2)
    c.sendall(b"220 peer\r\n")
    try:
        # The greeting passes; the reply to the first command after it is the forgery.
        for _ in range(4):
            request = c.recv(1024)
            if not request.startswith((b"EHLO", b"HELO")):
                c.sendall(reply)
                break
            c.sendall(b"250 peer\r\n")
    except OSError:
        pass
    c.close()' "$smtp_port" "$d/reply" &
PIDS+=($!)
udp_sink "$d/syslog" "$syslog_port"
ini_write "$d" CheckInt=1 WriteLog=1 MsgToMail=1 MailServer=127.0.0.1 MailPort=$smtp_port \
  MailTo=a@example.org MailFrom=b@example.org SendMailInt=1 MailMask=1 MsgMask=0 \
  SyslogServer=127.0.0.1 SyslogPort=$syslog_port SyslogProto=udp
for _ in $(seq 50); do in_s ss -ltn | grep -q ":$smtp_port " && break; sleep 0.1; done
in_s script -qfec "timeout -s TERM 5 '$VETREL' monitor --dir '$d'" "$d/tty" >/dev/null 2>&1
mailerr="$(w1251 'Ошибка посылки почтового сообщения: ')"
check "the reply's first line, cleaned, ends the mail error line in quorel.log" \
  env LC_ALL=C grep -qaP -- "^[0-9.]+ [0-9:]+ \Q$mailerr\E[0-9]+: 550-first\?\]0;pwned\?\?\[2J\r\$" "$d/quorel.log"
check "no forged line in quorel.log" no_byte "$d/quorel.log" '^08\.12\.2026 03:00:00'
check "no ESC or BEL in quorel.log" no_byte "$d/quorel.log" '[\x1b\x07]'
check "the interface name is cleaned in the adapter line" has "$d/quorel.log" "Адаптер: e?[1mx, IP: $NET.1"
check "the terminal saw the cleaned line" grep -qaF '550-first?]0;pwned??[2J' "$d/tty"
check "the terminal saw no ESC" no_byte "$d/tty" '\x1b'
check "the collector got the cleaned line" grep -qaF '550-first?]0;pwned??[2J' "$d/syslog"
check "the collector got no forged line, no ESC" no_byte "$d/syslog" '08\.12\.2026 03:00:00|\x1b'

echo "== Started with stdin, stdout or stderr closed"
d=$(fresh_dir closed)
ini_write "$d" WriteLog=1
# The shell closes the descriptors just before vetrel replaces it.
in_s sh -c 'exec "$0" scan --dir "$1" '"$NET.2"' >&-' "$VETREL" "$d" 2>"$d/stderr"
check "a scan with stdout closed exits 1" [ $? -eq 1 ]
in_s sh -c 'exec "$0" monitor --dir "$1" <&- >&- 2>&-' "$VETREL" "$d" &
mon=$!
PIDS+=("$mon")
sleep 2
kill -TERM "$mon" 2>/dev/null
wait "$mon"
in_s sh -c 'exec "$0" routes <&- >&-' "$VETREL" 2>/dev/null
check "routes with stdout closed exits 1" [ $? -eq 1 ]
check "quorel.log has the monitor's lines" has "$d/quorel.log" "Запуск программы."
check "every line of quorel.log is a dated journal line" \
  bash -c "! grep -avP '^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d ' '$d/quorel.log' | grep -q ."

echo "== Routes without interface, the largest metric, a multipath route"
d=$(fresh_dir routes)
ip -n "$S" route add blackhole 10.88.0.0/16
ip -n "$S" route add unreachable 10.89.0.0/16 metric 4294967295
ip -n "$S" route add 10.90.0.0/16 nexthop via "$NET.2" nexthop via "$NET.3"
in_s "$VETREL" routes --dir "$d" >"$d/stdout"
row() { grep -qE "^ *$1 +$2 +$3 +$4 +$5\$" "$d/stdout"; }
check "a blackhole route names its type" row 10.88.0.0 255.255.0.0 0.0.0.0 blackhole 0
check "the largest metric is unsigned" row 10.89.0.0 255.255.0.0 0.0.0.0 unreachable 4294967295
check "each hop of a multipath route is a row" \
  bash -c "grep -c '^ *10.90.0.0 ' '$d/stdout' | grep -qx 2"
in_s "$VETREL" route --dir "$d" delete 10.90.0.0 255.255.0.0 "$NET.3" 2>"$d/stderr"
check "deleting through the second hop exits 0" [ $? -eq 0 ]
check "... and the route is gone" bash -c "[ -z \"\$(ip -n '$S' route show 10.90.0.0/16)\" ]"

echo "== A scan learning beside a monitor, the scan started first: no learned sample is lost"
d=$(fresh_dir beside)
ini_write "$d" WriteLog=1 CheckInt=30 AddNew=1 ScanCheckMac=1
ip netns exec "$H" /usr/bin/python3 "$here/arp_hostile.py" up0 --max-seconds 15 \
  "$NET.2=ok:02:77:00:00:00:02" "$NET.9=ok:02:77:00:00:00:09" &
PIDS+=($!)
sleep 0.5
timeout 60 ip netns exec "$S" "$VETREL" scan --dir "$d" --repeat 1 --threads 1 "$NET.2" "$NET.60" \
  >/dev/null 2>&1 &
scan=$!
sleep 0.3
ip netns exec "$S" "$VETREL" monitor --dir "$d" >/dev/null 2>&1 &
mon=$!
PIDS+=("$mon")
learned() { for _ in $(seq "$2"); do grep -q "^$NET.$1\s" "$d/samples.dat" && return; sleep 0.1; done; }
for _ in $(seq 50); do has "$d/quorel.log" "Запуск программы." && break; sleep 0.1; done
ip -n "$S" neigh replace "$NET.50" lladdr 02:77:00:00:00:50 dev "$IF" nud reachable
learned 50 50
learned 9 300  # the scan's pass has ended
kill -TERM "$scan"  # a repeating scan saves once more as it stops, after the monitor's save
wait "$scan"
kept=$(grep -c "^$NET.50\s" "$d/samples.dat")
ip -n "$S" neigh replace "$NET.51" lladdr 02:77:00:00:00:51 dev "$IF" nud reachable
learned 51 50
kill -TERM "$mon"
wait "$mon"
check "samples.dat keeps the monitor's sample at the scan's save ($kept) and the scan's at the monitor's ($(cut -f1 "$d/samples.dat" | tr '\r\n' '  '))" \
  bash -c "[ $kept = 1 ] && for a in 2 9 50 51; do grep -q '^$NET.'\$a'\s' '$d/samples.dat' || exit 1; done"

echo "== A careless administrator: a planted lock, FIFOs for data files, the password's file"
d=$(fresh_dir careless)
ini_write "$d" WriteLog=1 CheckInt=30 SaveStat=1
ln -s "$d/elsewhere" "$d/monitor.lock"
timeout 10 ip netns exec "$S" "$VETREL" monitor --dir "$d" >"$d/stdout" 2>"$d/stderr"
check "a monitor.lock that is a link refuses the start, naming it (exit $?)" \
  grep -qF "$d/monitor.lock is not a plain file" "$d/stderr"
rm "$d/monitor.lock"
mkfifo "$d/samples.dat" "$d/statics.dat"
timeout -k 2 -s TERM 3 ip netns exec "$S" "$VETREL" monitor --dir "$d" >"$d/stdout" 2>"$d/stderr"
rc=$?
check "FIFOs for samples.dat and statics.dat: unreadable files, and SIGTERM ends the run (exit $rc)" \
  bash -c "[ $rc -ne 137 ] && $(declare -f w1251 has); has '$d/quorel.log' 'Ошибка чтения файла samples.dat.' && has '$d/quorel.log' 'Выход из программы.'"
check "... and both stay FIFOs" bash -c "[ -p '$d/samples.dat' ] && [ -p '$d/statics.dat' ]"
mkdir "$d/fifo" && mkfifo "$d/fifo/quorel.ini"
timeout 5 "$VETREL" settings --dir "$d/fifo" >/dev/null 2>"$d/stderr"
check "a FIFO for quorel.ini is refused at once (exit $?)" grep -q "not a regular file" "$d/stderr"
d=$(fresh_dir password)
(umask 022 && printf 'secret\n' | "$VETREL" settings --dir "$d" set-password >/dev/null 2>&1)
(umask 022 && "$VETREL" settings --dir "$d" set AddNew=0 >/dev/null 2>&1)
check "quorel.ini holding a password is 0600 under umask 022, after a rewrite too ($(stat -c %a "$d/quorel.ini"))" \
  [ "$(stat -c %a "$d/quorel.ini")" = 600 ]

lab_end "hostile lab"
