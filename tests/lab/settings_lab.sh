#!/usr/bin/env bash
# `vetrel settings` and `vetrel route` against a real kernel: one network namespace with a
# veth pair, a monitor running there, and the mail lab's real SMTP server (AUTH LOGIN) on
# the namespace's loopback. Usage: settings_lab.sh BUILD_DIR (root).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
LAB=set$$
NS=${LAB}m
. "$root/scripts/lab/console_netlab.sh"
. "$root/scripts/lab/lab_check.sh"
. "$root/scripts/lab/smtp_server.sh"
lab_begin "settings lab" "${1:?usage: settings_lab.sh BUILD_DIR}"
SMTP_WORK=$work/smtp
mkdir -p "$SMTP_WORK"
cleanup() {
  monitor_kill
  smtp_down
  ip netns del "$NS" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

v() { ip netns exec "$NS" "$VETREL" --cp1251 "$@"; }
err_has() { iconv -f cp1251 -t utf-8 "$work/err" | grep -qF -- "$1"; }
shown() { v settings --dir "$d" 2>/dev/null | iconv -f cp1251 -t utf-8 | grep -q -- "^$1 "; }
no_route() { test -z "$(ip -n "$NS" route show "$1")"; }
password_hidden() {
  local out
  out=$(v settings --dir "$d" 2>&1 | iconv -f cp1251 -t utf-8)
  grep -q '^MailPassw=<set>' <<<"$out" && ! grep -q 'Пароль-1' <<<"$out"
}
route_changes() { test "$(log_count "$d" 'Изменения таблицы маршрутов')" -eq "$1"; }
ini_sum() { sha256sum "$d/quorel.ini" | cut -d' ' -f1; }

# One namespace; its veth pair gives the monitor an adapter, and 10.78.0.2 on its link
# (nobody's address) serves as the routes' gateway.
ip netns add "$NS" || exit 1
ip -n "$NS" link set lo up
ip -n "$NS" link add eth0 type veth peer name eth1
ip -n "$NS" addr add 10.78.0.1/24 dev eth0
ip -n "$NS" link set eth0 up
ip -n "$NS" link set eth1 up
d=$work/data
mkdir -p "$d"
ini_write "$d" CheckInt=2 SendMailInt=1

echo "== command lines"
"$VETREL" settings --dir "$work/none" 2>/dev/null
check "a missing directory exits 2" test $? -eq 2
v route add 1.2.3 255.0.0.0 10.78.0.2 2>"$work/err"
check "a 5-character address exits 2 with the rule" bash -c "test $? -eq 2 && grep -q '7 to 19 characters' '$work/err'"
"$VETREL" settings --dir "$d" set CheckInt 2>/dev/null
check "set without KEY=VALUE exits 2" test $? -eq 2
# A user who cannot read the file must not be shown the defaults as its values.
locked=$work/locked
chmod 711 "$work" && mkdir -p "$locked" && chmod 755 "$locked" && ini_write "$locked" CheckInt=9 && chmod 600 "$locked/quorel.ini"
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$VETREL" --cp1251 "$@"; }
as_nobody settings --dir "$locked" >/dev/null 2>"$work/err"
check "an unreadable ini: exit 1 with the reason, no defaults shown" \
  bash -c "test $? -eq 1 && grep -q 'cannot read .*quorel.ini: Permission denied' '$work/err'"
chmod 644 "$locked/quorel.ini"
as_nobody settings --dir "$locked" set CheckInt=4 2>"$work/err"
check "a directory this user cannot write: exit 1 with the reason" \
  bash -c "test $? -eq 1 && grep -q 'cannot write .*: Permission denied; nothing was changed' '$work/err'"

echo "== each refused value writes nothing and exits 2"
before=$(ini_sum)
refused() {  # expected text, assignments...
  local text=$1
  shift
  v settings --dir "$d" set "$@" >/dev/null 2>"$work/err"
  local rc=$?
  check "set $* exits 2 ($rc) with '$(echo "$text" | head -c 40)', file unchanged" \
    bash -c "test $rc -eq 2 && test '$(ini_sum)' = '$before'" && check "  ... its message" err_has "$text"
}
refused 'MaxScanThreads must be from 1 to 16' MaxScanThreads=0
refused 'MaxScanThreads must be from 1 to 16' MaxScanThreads=
refused 'MaxScanThreads must be from 1 to 16' MaxScanThreads=17 CheckInt=61
refused 'CheckInt must be from 2 to 60 seconds' CheckInt=1
refused 'CheckInt must be from 2 to 60 seconds' CheckInt=61 MailPort=26
refused 'AddNew=1 and BlockNew=1 contradict' BlockNew=1
refused 'SyslogPort takes a port number' SyslogPort=0
refused 'are not events this list offers' MailMask=MailError
refused 'unknown setting' Nonsense=1
refused 'set-password' MailPassw=secret
refused 'at most 31 characters' MailTo=0123456789012345678901234567890123

echo "== a valid set, the password and the monitor reading them"
SMTP_RUN="ip netns exec $NS"
smtp_up || exit 1
v settings --dir "$d" set WriteLog=1 MsgOnRoute=1 'MsgMask=подмена адреса,RouteChange' \
  MailMask=RouteChange MsgToMail=1 MailServer=127.0.0.1 "MailPort=$SMTP_PORT" \
  MailTo=admin@vetrel.lab MailFrom=alarm@vetrel.lab MailLogin=почта 2>"$work/err"
check "set exits 0" test $? -eq 0
check "shown: MsgMask=68" shown MsgMask=68
check "shown: MailLogin in Windows-1251" \
  bash -c "sed -n 's/^MailLogin=//p' '$d/quorel.ini' | tr -d '\r\n' | od -An -tx1 | tr -d ' \n' | grep -qx '$SMTP_LOGIN_HEX'"
# Typed slowly: while it waits for the password, a starting monitor must still get its lock.
{ sleep 2; printf 'Пароль-1 ёЁ\n'; } | v settings --dir "$d" set-password &
typing=$!
sleep 1
check "the directory is not locked while the password is typed" flock -s -n "$d" true
wait "$typing"
check "set-password from stdin exits 0" test $? -eq 0
check "shown: the password as set, never in clear" password_hidden
check "stored as lowercase hex" bash -c "grep -a '^MailPassw=' '$d/quorel.ini' | tr -d '\r' | cut -d= -f2 | grep -qxE '([0-9a-f]{2}){41,}'"

# A hand-edited interval the dialog refuses: the monitor checks every 2 s, says so once, and
# the file keeps what was written.
sed -i 's/^CheckInt=.*/CheckInt=0\r/' "$d/quorel.ini"
MON_PID=
ip netns exec "$NS" "$VETREL" monitor --cp1251 --dir "$d" >"$d/stdout" 2>"$d/stderr" &
MON_PID=$!
check "the monitor starts and logs (WriteLog=1 read back)" wait_for 10 log_has "$d" 'Запуск программы.'
check "  ... CheckInt=0 journalled with the value used" log_has "$d" \
  'Параметр CheckInt=0 в quorel.ini вне пределов 2-60; используется CheckInt=2.'

echo "== refusal while the monitor holds the directory"
before=$(ini_sum)
v settings --dir "$d" set CheckInt=3 2>"$work/err"
check "set exits 1 with the reason, file unchanged" \
  bash -c "test $? -eq 1 && grep -q 'a vetrel monitor runs on' '$work/err' && test '$(ini_sum)' = '$before'"
echo x | v settings --dir "$d" set-password 2>/dev/null
check "set-password is refused too" test $? -eq 1
(cd "$work" && v settings --dir data set CheckInt=3 2>"$work/err")
check "a relative --dir is refused for the monitor too" \
  bash -c "test $? -eq 1 && grep -q 'a vetrel monitor runs on data' '$work/err'"

echo "== route add and delete change the table; the monitor journals each change"
v route add 10.200.0.0 255.255.0.0 10.78.0.2 7 2>"$work/err"
check "route add exits 0" test $? -eq 0
check "the table holds 10.200.0.0/16 via 10.78.0.2 metric 7" \
  bash -c "ip -n $NS route show 10.200.0.0/16 | grep -q 'via 10.78.0.2 dev eth0 .*metric 7'"
check "one route change journalled" wait_for 5 route_changes 1
v route add 10.200.0.0 255.255.0.0 10.78.0.1 7 2>"$work/err"
check "the same destination, mask and metric again exits 1" bash -c "test $? -eq 1 && grep -q 'already in the table' '$work/err'"
v route add 10.201.0.0 255.255.0.0 10.99.0.1 2>"$work/err"
check "a gateway off every link: exit 1, the editor's message" \
  bash -c "test $? -eq 1 && iconv -f cp1251 '$work/err' | grep -qF 'Ошибка команды route.'"
check "  ... and nothing in the table" no_route 10.201.0.0/16
v route delete 10.200.0.0 255.255.0.0 10.78.0.2
check "route delete exits 0" test $? -eq 0
check "the route is gone" no_route 10.200.0.0/16
check "a second route change journalled" wait_for 5 route_changes 2
v route delete 10.200.0.0 255.255.0.0 2>"$work/err"
check "deleting it again exits 1" bash -c "test $? -eq 1 && grep -q 'no route' '$work/err'"
sleep 1.5
check "still two changes (refusals changed nothing)" route_changes 2

echo "== the route changes were mailed with AUTH LOGIN and the sealed password"
check "a message stored" wait_for 15 test -s "$SMTP_WORK/msg-1.eml"
check "login, mechanism and no failed login" /usr/bin/python3 -c "
import json, sys
m = json.load(open('$SMTP_WORK/msg-1.meta'))
sys.exit(0 if m['login_hex'] == '$SMTP_LOGIN_HEX' and m['mechanisms'] == ['LOGIN'] and m['failed_logins'] == 0 and m['rcpt_tos'] == ['admin@vetrel.lab'] else 1)"
check "the body holds the route change line" \
  bash -c "iconv -f cp1251 '$SMTP_WORK/msg-1.eml' | grep -qF 'Изменения таблицы маршрутов'"
check "the send was journalled" wait_for 5 log_has "$d" 'Отправлено сообщение на'

monitor_stop
check "the monitor exits 0 on SIGTERM" test "$MON_RC" -eq 0
check "its save kept the edited values" shown MsgMask=68
check "  ... MsgOnRoute stays (written by the edit, kept by the monitor)" shown MsgOnRoute=1
check "  ... and the password still opens" shown 'MailPassw=<set>'
check "  ... and the hand-edited CheckInt=0" bash -c "grep -q '^CheckInt=0' '$d/quorel.ini'"
v settings --dir "$d" set CheckInt=3
check "with the monitor gone, set works again" shown CheckInt=3
(cd "$work" && v settings --dir data set CheckInt=4)
check "  ... and with a relative --dir" shown CheckInt=4

echo "== RunOnStart installs and removes the unit (private mount of /etc/systemd/system)"
if [ -d /etc/systemd/system ]; then
  unshare -m --propagation private bash -c "
    mount -t tmpfs vetrel-lab /etc/systemd/system && mount -t tmpfs vetrel-lab /usr/lib/systemd/system || exit 3
    '$VETREL' settings --dir '$d' set RunOnStart=1 || exit 4
    grep -qx 'WorkingDirectory=$d' /etc/systemd/system/vetrel.service || exit 5
    test -L /etc/systemd/system/multi-user.target.wants/vetrel.service || exit 6
    '$VETREL' settings --dir '$d' set RunOnStart=0 || exit 7
    test ! -e /etc/systemd/system/vetrel.service || exit 8
    exit 0"
  rc=$?
  check "unit written with the data directory, linked, then removed ($rc)" test $rc -eq 0
else
  echo "  not checked: this machine has no /etc/systemd/system"
fi

lab_end "settings lab"
