#!/usr/bin/env bash
# The program as an administrator runs it: logrotate (copytruncate, then rename and SIGHUP)
# against a running monitor, SIGHUP from a closed terminal, scans that cannot scan, arp-scan's
# target forms, resolver names in samples.dat, no file nobody asked for, and RunOnStart with
# and without the packaged unit in a private mount namespace. Usage: admin_lab.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
LAB=adm$$
. "$root/scripts/lab/console_netlab.sh"
. "$root/scripts/lab/lab_check.sh"
lab_begin "admin lab" "${1:?usage: admin_lab.sh BUILD_DIR}" logrotate setpriv unshare
cleanup() {
  monitor_kill
  lab_down
  rm -rf "/etc/netns/${LAB}m" "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
lab_up || { echo "admin lab: cannot build the namespaces"; exit 1; }
in_m() { timeout 60 ip netns exec "${LAB}m" "$@"; }
# COUNT new addresses from FIRST on, claimed on the wire: a "Новый IP-адрес!" line each.
churn() {  # first, count
  ip netns exec "${LAB}a" /usr/bin/python3 "$LAB_FORGE" eth0 "$LAB_NET.$1" 02:77:00:00:01:00 \
    --hosts "$2" --packets "$2" --rate 50 --max-seconds 10 2>/dev/null
}
settled() { local a; a=$(stat -c %s "$1"); sleep 0.5; test "$a" = "$(stat -c %s "$1")"; }

echo "== logrotate against a running monitor"
d=$(fresh_dir rotate)
ini_write "$d" CheckInt=2 WriteLog=1 AddNew=0
monitor_start "$d"
churn 100 20
wait_for 5 settled "$d/quorel.log"
printf '%s {\n rotate 5\n copytruncate\n}\n' "$d/quorel.log" >"$work/copy.conf"
logrotate -f -s "$work/state" "$work/copy.conf"
churn 120 20
check "copytruncate: the monitor writes on at the start of the emptied file" \
  wait_for 5 bash -c "head -c 11 '$d/quorel.log' | grep -qE '^[0-9]{2}\.[0-9]{2}\.[0-9]{4} '"
printf '%s {\n rotate 5\n postrotate\n  kill -HUP %s\n endscript\n}\n' "$d/quorel.log" "$MON_PID" >"$work/hup.conf"
churn 140 100 &
churner=$!
sleep 0.3
logrotate -f -s "$work/state" "$work/hup.conf"
wait "$churner"
wait_for 5 settled "$d/quorel.log"
check "rename: a new quorel.log, opened on SIGHUP and journalled" \
  wait_for 5 bash -c "iconv -f cp1251 '$d/quorel.log' | grep -qF 'Лог-файл открыт заново (SIGHUP).'"
check "  ... and the monitor still runs" kill -0 "$MON_PID"
monitor_stop
check "every line of stdout is in the rotated logs, whole and once, in order" \
  bash -c "cat '$d/quorel.log.2' '$d/quorel.log.1' '$d/quorel.log' | cmp -s - '$d/stdout' &&
           test \$(grep -c 'Новый IP-адрес' <(iconv -f cp1251 '$d/stdout')) -eq 140"

echo "== a closed terminal still ends the monitor through its shut-down"
d=$(fresh_dir tty)
ini_write "$d" WriteLog=1
/usr/bin/python3 - "${LAB}m" "$VETREL" "$d" <<'PY'
import os, pty, sys, time
pid, master = pty.fork()
if pid == 0:
    os.execvp("ip", ["ip", "netns", "exec", sys.argv[1], sys.argv[2], "monitor", "--dir", sys.argv[3]])
for _ in range(100):  # the start line, then the terminal goes
    if os.path.exists(sys.argv[3] + "/quorel.log") and os.path.getsize(sys.argv[3] + "/quorel.log") > 60:
        break
    time.sleep(0.1)
os.close(master)
for _ in range(100):
    done, status = os.waitpid(pid, os.WNOHANG)
    if done:
        sys.exit(os.waitstatus_to_exitcode(status))
    time.sleep(0.1)
os.kill(pid, 9)
sys.exit(99)
PY
check "exit code 0 after SIGHUP, exit line journalled" \
  bash -c "test $? -eq 0 && iconv -f cp1251 '$d/quorel.log' | grep -qF 'Выход из программы.'"

echo "== scans: target forms, names, failures"
scan() {  # dir, arguments...: rows on stdout, the rest on stderr
  local dir=$1
  shift
  (cd "$dir" && in_m "$VETREL" scan --cp1251 "$@" >"$dir/stdout" 2>"$dir/stderr")
}
mkdir -p "/etc/netns/${LAB}m"
printf '127.0.0.1 localhost\n%s.2 сервер.lab\n%s.3 日本.lab\n' "$LAB_NET" "$LAB_NET" >"/etc/netns/${LAB}m/hosts"
echo 'nameserver 127.0.0.1' >"/etc/netns/${LAB}m/resolv.conf"
d=$(fresh_dir scans)
for args in "$LAB_NET.0/24" "--localnet" "-l -I eth0" "$LAB_NET.1-$LAB_NET.254"; do
  scan "$d" $args
  check "scan $args: exit 0, the three hosts of 254" bash -c \
    "test $? -eq 0 && test \"\$(cut -f1 '$d/stdout' | paste -sd' ')\" = '$LAB_NET.1 $LAB_NET.2 $LAB_NET.3' && grep -q '3 found, 254 of 254' '$d/stderr'"
done
check "  ... and the directory stays empty" test -z "$(find "$d" -mindepth 1 ! -name stdout ! -name stderr)"
scan "$d" --names --compare "$LAB_NET.2-$LAB_NET.3"
check "names from the resolver are stored in samples.dat as Windows-1251" \
  bash -c "grep -qaF \"\$(printf 'сервер.lab' | iconv -t cp1251)\" '$d/samples.dat' && grep -qaF '??.lab' '$d/samples.dat'"
check "  ... and with WriteLog=0 no quorel.log appears" test ! -e "$d/quorel.log"
scan "$d" -I nosuch "$LAB_NET.2"
check "an interface without an address: exit 2" bash -c "test $? -eq 2 && grep -q 'no interface nosuch' '$d/stderr'"
scan "$d" 10.88.0.1 10.88.0.9
check "a range off every subnet: exit 1, said, nothing probed" \
  bash -c "test $? -eq 1 && grep -q 'lies off every subnet' '$d/stderr' && ! test -s '$d/stdout'"
scan "$d" "$LAB_NET.250" 10.77.1.5
check "a range partly off them: scanned, with how many no request reaches" \
  bash -c "test $? -eq 0 && grep -q '6 of 12 addresses' '$d/stderr'"
(cd "$d" && in_m setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all \
  --bounding-set=-all "$VETREL" scan "$LAB_NET.2" >"$d/stdout" 2>"$d/stderr")
check "without CAP_NET_RAW: exit 1 and why" bash -c "test $? -eq 1 && grep -q 'needs CAP_NET_RAW' '$d/stderr'"
d=$(fresh_dir quiet)
monitor_start "$d"
sleep 1
monitor_stop
check "a monitor with WriteLog=0 leaves no quorel.log" bash -c "test $MON_RC -eq 0 && test ! -e '$d/quorel.log'"

echo "== RunOnStart, in a mount namespace of its own"
d=$(fresh_dir unit)
chmod 777 "$d"
VETREL=$VETREL D=$d SERVICE=$root/packaging/vetrel.service unshare -m bash -c '
  . "'"$root"'/scripts/lab/lab_check.sh"
  failures=0
  mount -t tmpfs -o mode=755 none /etc/systemd/system && mount -t tmpfs -o mode=755 none /usr/lib/systemd/system || exit 99
  e=/etc/systemd/system link=/etc/systemd/system/multi-user.target.wants/vetrel.service
  set_() { "$VETREL" settings --dir "$D" set "$@" 2>"$D/err"; }
  set_ RunOnStart=1
  check "no package: a unit of its own, enabled, and said" bash -c \
    "test $? -eq 0 && grep -q \"^# Written by\" $e/vetrel.service && test \"\$(readlink $link)\" = $e/vetrel.service && grep -q \"wrote and enabled\" $D/err"
  cp "$SERVICE" /usr/lib/systemd/system/vetrel.service
  set_ RunOnStart=0 && set_ RunOnStart=1
  check "packaged: its own unit gone, the packaged one enabled, and said" bash -c \
    "test ! -e $e/vetrel.service && test \"\$(readlink $link)\" = /lib/systemd/system/vetrel.service && grep -q \"packaged.*enabled; it runs the monitor on /var/lib/vetrel\" $D/err"
  printf "[Service]\nExecStart=/bin/true\n" >$e/vetrel.service
  before=$(md5sum <"$D/quorel.ini")
  set_ RunOnStart=0
  check "an administrator'"'"'s unit: refused, exit 1, nothing written" bash -c \
    "test $? -eq 1 && grep -q \"not written by RunOnStart\" $D/err && test \"\$(md5sum <$D/quorel.ini)\" = \"$before\" && grep -q /bin/true $e/vetrel.service"
  rm $e/vetrel.service
  setpriv --reuid=65534 --regid=65534 --clear-groups "$VETREL" settings --dir "$D" set RunOnStart=0 2>"$D/err"
  check "not root: exit 1, why, nothing written" bash -c \
    "test $? -eq 1 && grep -q \"Permission denied (root only)\" $D/err && test \"\$(md5sum <$D/quorel.ini)\" = \"$before\" && test -L $link"
  exit "$failures"'
rc=$?
[ "$rc" -eq 99 ] && echo "  FAIL: cannot mount in a private namespace"
failures=$((failures + rc))

lab_end "admin lab"
