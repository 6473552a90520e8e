#!/usr/bin/env bash
# vetrel.exe sends its journal lines over Winsock to a real rsyslogd: a fresh Wine prefix is
# booted inside a network namespace whose neighbour table this script plants (one binding
# contradicts a sample, one is new), rsyslogd listens on 127.0.0.1 of that namespace, and
# vetrel.exe runs once with SyslogProto=udp and once with tcp. The spoofing and new-address
# lines must arrive with their MSGID, severity, structured data and Cyrillic text; the exit
# line of an orderly close must arrive too. Relies on Wine's real GetIpNetTable and
# GetAdaptersInfo and its Winsock; route changes are not notified under Wine.
# Argument: the mingw build directory. Needs root (ip netns).
set -uo pipefail
build=$(cd "${1:?usage: syslog_wine.sh MINGW_BUILD_DIR}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine/wine_lab.sh"
wine_lab_need syslog_wine.sh "$build/vetrel.exe" "$build/gui_driver.exe"
command -v rsyslogd >/dev/null || { echo "rsyslogd missing (scripts/setup-deps.sh)" >&2; exit 1; }

wine_lab_init slw
chmod 0755 "$work"
. "$root/scripts/lab/rsyslog_server.sh"
cleanup() {
  rsyslog_down
  wine_lab_cleanup
}
trap cleanup EXIT

drive() { wine_drive 1 "$@"; }

# --- the namespace: one veth end with an address, neighbours planted on it
plant_neighbours() {
  plant 10.77.0.3 02:00:00:00:03:99 10.77.0.4 02:00:00:00:04:04
}
wine_lab_start 10.77.0.1/24 syslog-wine plant_neighbours || exit 1

cp "$build/vetrel.exe" "$build/gui_driver.exe" "$work/"
printf '%s\r\n' $'10.77.0.3\t02-00-00-00-03-03\tсервер' | iconv -f utf-8 -t cp1251 >"$work/samples.dat"
port=$((20000 + $$ % 20000))
bom=$'\xEF\xBB\xBF'
spoof='Подмена адреса! 10.77.0.3 02-00-00-00-03-99 (10.77.0.3 02-00-00-00-03-03)'
newip='Новый IP-адрес! 10.77.0.4 02-00-00-00-04-04'

log() { iconv -f cp1251 -t utf-8 "$work/quorel.log" 2>/dev/null | tr -d '\r'; }
# A received line: PRI|SEV|MSGID|HOSTNAME|vetrel|PROCID|TIME|SD|MSG
expect() {  # what, PRI|SEV|MSGID, SD, text
  local line
  line=$(received | grep -F -- "$4" | head -n1)
  if [ -z "$line" ]; then
    fail "$1: not received"
    return
  fi
  IFS='|' read -r pri sev msgid hostname app procid stamp sd msg <<<"$line"
  if [ "$pri|$sev|$msgid" = "$2" ] && [ "$app" = vetrel ] && [ "$sd" = "$3" ] &&
    [ "$msg" = "$bom$4" ] && [ "$hostname" != - ] && [ "$procid" -gt 0 ] 2>/dev/null &&
    [[ "$stamp" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(Z|[+-][0-9]{2}:[0-9]{2})$ ]]; then
    pass "$1"
  else
    fail "$1: $line"
  fi
}

run_once() {  # protocol
  local proto=$1 d="$work/rs-$1"
  mkdir -p "$d"
  rm -f "$work/quorel.log"
  rsyslog_up "$d" "$port" "$ns" || exit 1
  printf '[Vetrel]\r\nCheckInt=2\r\nWriteLog=1\r\nAddNew=0\r\nShowMsg=0\r\nSyslogServer=127.0.0.1\r\nSyslogPort=%s\r\nSyslogProto=%s\r\n' \
    "$port" "$proto" >"$work/quorel.ini"
  (cd "$work" && inns 300 wine explorer "/desktop=$desk,1280x900" vetrel.exe >/dev/null 2>&1) &
  local up=
  for _ in $(seq 120); do
    [ "$(drive visible)" = 1 ] && { up=1; break; }
    sleep 0.5
  done
  [ -n "$up" ] || { fail "$proto: the main window did not appear"; return; }
  local _
  for _ in $(seq 100); do received_has "$newip" && received_has "$spoof" && break; sleep 0.2; done
  received | grep -F '|SPOOF|' | head -n1 | sed "s/^/  $proto received: /"
  expect "$proto: spoofing as daemon.crit, SPOOF, both pairs in the SD, Cyrillic MSG" "26|2|SPOOF" \
    '[vetrel@32473 kind="Spoofing" ip="10.77.0.3" mac="02-00-00-00-03-99" sampleIp="10.77.0.3" sampleMac="02-00-00-00-03-03"]' \
    "$spoof"
  expect "$proto: new address as daemon.notice, NEWIP" "29|5|NEWIP" \
    '[vetrel@32473 kind="NewAddress" ip="10.77.0.4" mac="02-00-00-00-04-04"]' "$newip"
  expect "$proto: start line as daemon.info, INFO" "30|6|INFO" '[vetrel@32473 kind="Info"]' \
    "Запуск программы."
  # An orderly close: its exit line still reaches the collector.
  drive foreground >/dev/null
  sleep 0.5
  DISPLAY=":$display" xdotool key alt+F4
  [ "$(drive waitbox 10 | cut -d'|' -f2)" = "Выйти из программы?" ] && DISPLAY=":$display" xdotool key Return
  for _ in $(seq 60); do [ "$(drive visible)" = "" ] && break; sleep 0.5; done
  for _ in $(seq 20); do received_has "Выход из программы." && break; sleep 0.2; done
  received_has "Выход из программы." && pass "$proto: the exit line arrived" ||
    fail "$proto: no exit line; log: $(log | tail -n 3)"
  tr -d '\r' <"$work/quorel.ini" | grep -qx "SyslogProto=$proto" &&
    pass "$proto: the syslog keys stay in quorel.ini after the save at exit" ||
    fail "$proto: quorel.ini lost its syslog keys"
  local sent lines
  sent=$(received | wc -l)
  lines=$(log | wc -l)
  [ "$sent" -eq "$lines" ] && pass "$proto: every journal line once ($sent)" ||
    fail "$proto: $sent received for $lines journal lines"
  WINEPREFIX=$prefix timeout 20 wineserver -k >/dev/null 2>&1
  rsyslog_down
}

run_once udp
# The wine server is gone with the first run; the next start makes it again in the namespace.
# In a zone east of UTC the timestamps carry its offset, the same second as the log's stamp.
export TZ=MSK-3
run_once tcp
unset TZ
line=$(received | grep -F '|SPOOF|' | head -n1)
stamp=$(log | grep -F -- "$spoof" | head -n1 |
  sed -E 's/^([0-9]{2})\.([0-9]{2})\.([0-9]{4}) ([0-9:]{8}) .*/\3-\2-\1T\4+03:00/')
[ -n "$stamp" ] && [ "$(echo "$line" | cut -d'|' -f7)" = "$stamp" ] &&
  pass "tcp: the timestamp is the log's stamp with the zone's offset ($stamp)" ||
  fail "tcp: timestamp $(echo "$line" | cut -d'|' -f7), log stamp $stamp"

wine_lab_verdict syslog_wine
