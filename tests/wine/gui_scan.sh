#!/usr/bin/env bash
# The scan page of vetrel.exe under Wine and Xvfb: its controls, a run to "Опрос: Готово", a
# stop to "Опрос: Прервано", a repeat waiting in "Опрос: Пауза", the empty last field, the
# reversed and the oversized range, sorting and the context menus only while idle.
# Wine 8's SendARP is a stub (answers 50), so hosts are found here by name only: the
# namespace gets its own hosts file (/etc/netns/NAME/hosts, which `ip netns exec` mounts
# over /etc/hosts) and the runs tick "Запрашивать имена". Names not in it go to a resolver
# on the namespace's loopback, where nothing listens.
# Argument: the mingw build directory. Needs root (ip netns).
set -uo pipefail
build=$(cd "${1:?usage: gui_scan.sh MINGW_BUILD_DIR}" && pwd)
. "$(dirname "$0")/../../scripts/wine/wine_lab.sh"
wine_lab_need gui_scan.sh "$build/vetrel.exe" "$build/gui_driver.exe"

wine_lab_init scan

check() { # check WHAT GOT WANTED
  [ "$2" = "$3" ] && pass "$1" || fail "$1: got [$2], wanted [$3]"
}

drive() { wine_drive 3 "$@"; }
scan() { drive scan "$@"; }
scan_status() { drive status | sed -n 3p; }
# wait_status PATTERN SECONDS: true once status part 2 matches PATTERN (a shell pattern).
wait_status() {
  local end=$((SECONDS + $2))
  while [ "$SECONDS" -lt "$end" ]; do
    # shellcheck disable=SC2053
    [[ "$(scan_status)" == $1 ]] && return 0
    sleep 0.3
  done
  return 1
}
run_range() { # run_range FROM TO
  scan set 1000 "$1"
  scan set 1011 "$2"
  scan click 1
}

# --- the namespace: an adapter for start-up, a hosts file for the name lookups
resolver_files() {
  wine_lab_hosts '10.77.0.2 alpha.lab' '10.77.0.3 beta.lab' '10.77.0.5 gamma.lab' '10.77.0.9 delta.lab'
}
wine_lab_start 10.77.0.1/24 gui-scan resolver_files || exit 1

# --- program directory: a sample with a MAC for a host found by name; the scan compares
# (ScanCheckMac=1 in the file: the box must show it) with AddNew=1
cp "$build/vetrel.exe" "$build/gui_driver.exe" "$work/"
printf '%s\r\n' $'10.77.0.3\t02-00-00-00-03-03\tбета' | iconv -f utf-8 -t cp1251 >"$work/samples.dat"
printf '[Vetrel]\r\nAddNew=1\r\nAddAddIp=1\r\nWriteLog=1\r\nScanGetName=0\r\nScanCheckMac=1\r\nMaxScanThreads=3\r\nCheckInt=60\r\nWndX=40\r\nWndY=30\r\nWndcx=700\r\nWndcy=480\r\nMsgX=40\r\nMsgY=540\r\n' \
  >"$work/quorel.ini"
log() { iconv -f cp1251 -t utf-8 "$work/quorel.log" 2>/dev/null | tr -d '\r'; }

cd "$work" || exit 1
inns 600 wine explorer "/desktop=$desk,1280x900" vetrel.exe >/dev/null 2>&1 &
up=
for _ in $(seq 120); do
  [ "$(drive visible 2>/dev/null)" = 1 ] && { up=1; break; }
  sleep 0.5
done
[ -n "$up" ] || { fail "the main window did not appear within 60 s"; exit 1; }
drive tab 2 >/dev/null
sleep 0.5

# --- controls: id, class, text, enabled, tick; the list is made at run time
controls=$(scan controls | grep -v $'^0\tSysHeader32')
expected=$(
  cat <<'LIST'
-1	Static	Диапазон IP-адресов:	enabled
-1	Static	от	enabled
1000	Edit	10.77.0.1	enabled
-1	Static	до	enabled
1011	Edit	10.77.0.254	enabled
1	Button	Выполнить	enabled	default
1002	Button	Запрашивать имена (медленнее)	enabled	unticked
1003	Button	Сверять с образцами	enabled	ticked
40005	Button	Повтор через	enabled	unticked
40003	ComboBox	5	enabled	items 5 10 20 40 60	selected 0
-1	Static	мин.	enabled
-1	Static	Результат:	enabled
2004	SysListView32		enabled
LIST
)
check "scan page controls, texts, the ticks read from quorel.ini and the adapter's hosts offered" "$controls" "$expected"
check "result list columns" "$(scan header | paste -sd'|')" "IP 140 left|MAC 160 left|Имя 200 left"
read -r pw ph lx ly lw lh <<<"$(scan layout)"
check "result list at 5,124 sized page - 9 by page - 129" "$lx $ly $lw $lh" "5 124 $((pw - 9)) $((ph - 129))"
check "idle state" "$(scan state)" "Выполнить|enabled|enabled"
# At the smallest size the window takes, every control of the page is still on it; at the
# default size the route list needs no horizontal scroll bar.
mkdir -p "$shots"
drive place main 40 30 300 200
sleep 0.5
DISPLAY=":$display" import -window root -crop 520x380+40+30 +repage "$shots/scan_min.png"
check "the smallest window keeps every scan control reachable" "$(scan reach)" "all inside"
read -r _ _ _ _ _ lh <<<"$(scan layout)"
[ "$lh" -ge 80 ] && pass "the smallest window keeps rows of the result list ($lh px)" ||
  fail "the result list at the smallest size: $lh px"
drive place main 40 30 550 420
drive tab 3 >/dev/null
sleep 0.5
DISPLAY=":$display" import -window root -crop 560x430+40+30 +repage "$shots/routes_default.png"
check "routes at the default size: no horizontal scroll bar" "$(drive hscroll routes)" 0
drive place main 40 30 700 480
drive tab 2 >/dev/null

# --- a run over a small range with names: rows in address order, then "Опрос: Готово"
scan click 1002
run_range 10.77.0.1 10.77.0.12
wait_status "Опрос: Готово" 60 && pass "run reaches Опрос: Готово" || fail "run: status $(scan_status)"
rows=$(scan rows)
check "found hosts in address order" "$rows" $'10.77.0.2\t\talpha.lab\n10.77.0.3\t\tbeta.lab\n10.77.0.5\t\tgamma.lab\n10.77.0.9\t\tdelta.lab'
check "state after the run" "$(scan state)" "Выполнить|enabled|enabled"
# 10.77.0.3 is a sample with a MAC; found by name alone, it has none to contradict it.
log | grep -qF 'Подмена адреса!' && fail "a MAC-less host called spoofed: $(log | grep -F Подмена)" ||
  pass "a host found by name alone is not called spoofed"
log | grep -q 'Новый IP-адрес! 10.77.0.2$' && pass "a new address is reported" ||
  fail "no new-address line: $(log | grep -F 'IP-адрес')"
learned=$(iconv -f cp1251 -t utf-8 "$work/samples.dat" | tr -d '\r' | cut -f1,3 | paste -sd' ')
# AddNew=1, but hosts found by name alone have no MAC to learn (the lab shows learning).
check "MAC-less hosts not learned into samples.dat" "$learned" $'10.77.0.3\tбета'

mkdir -p "$shots"
DISPLAY=":$display" import -window root -crop 700x480+40+30 +repage "$shots/scan_rows.png"
colours=$(convert "$shots/scan_rows.png" -format '%k' info: 2>/dev/null)
[ "${colours:-0}" -gt 8 ] && pass "screenshot scan_rows.png ($colours colours)" || fail "scan screenshot blank"

# --- idle: sort and the context menu
drive column results 2
check "sort by name marks column 2" "$(drive sortmark results)" "2 "
check "rows sorted by name" "$(scan rows | cut -f3 | paste -sd' ')" "alpha.lab beta.lab delta.lab gamma.lab"
DISPLAY=":$display" xdotool mousemove 300 330  # the menu opens at the cursor
check "idle right-click shows the menu" "$(scan rclick results)" "menu"
DISPLAY=":$display" import -window root -crop 700x480+40+30 +repage "$shots/scan_menu.png"
scan closemenu
# The keyboard's menu (Shift+F10, the menu key) opens at the selected row.
drive foreground
DISPLAY=":$display" xdotool mousemove 150 300 click 1 sleep 0.3
for key in shift+F10 Menu; do
  DISPLAY=":$display" xdotool key "$key"
  check "$key in the result list shows its menu" "$(scan waitmenu)" "menu"
  scan closemenu
done
drive tab 1 >/dev/null
DISPLAY=":$display" xdotool mousemove 150 200 click 1 sleep 0.3 key shift+F10
check "Shift+F10 in the samples list shows its menu" "$(scan waitmenu)" "menu"
scan closemenu
drive tab 2 >/dev/null
DISPLAY=":$display" xdotool mousemove 150 300 click 1 sleep 0.3
# Ctrl+Tab and Ctrl+Shift+Tab move between the tabs.
DISPLAY=":$display" xdotool key ctrl+Tab
check "Ctrl+Tab: the next tab" "$(drive tabs | tail -1)" "selected 3"
DISPLAY=":$display" xdotool key ctrl+shift+Tab
check "Ctrl+Shift+Tab: back" "$(drive tabs | tail -1)" "selected 2"
scan command 3012
sleep 0.5
drive clipboard 'Z:'"$(echo "$work" | tr / '\\')"'\clip.txt' >/dev/null
check "copy list puts every row on the clipboard" "$(iconv -f cp1251 -t utf-8 "$work/clip.txt")" \
  "$(scan rows | sed 's/$/\r/')"
drive select results 1
scan command 3010
box=$(drive waitbox 30)
check "adding a known address to the samples is refused" "$box" "$(printf 'Vetrel%39s' '')|Адрес 10.77.0.3 уже есть."
drive answer ok
# Rows found by name alone have no MAC: never written as an all-zero static entry, but
# refused with the cache error and its reason (a row with a MAC is written as the ARP entry
# dialog's are).
drive select results 0
scan command 3011
check "a MAC-less row is not added to the cache" "$(drive waitbox 30)" \
  "$(printf 'Vetrel%39s' '')|Ошибка добавления записи в ARP-кэш для 10.77.0.2: Нет MAC-адреса"
drive answer ok

# --- an empty last field scans the first address alone (run with Return in the field);
# a field that is no address and a reversed range are refused
scan set 1000 10.77.0.5
scan set 1011 ""
DISPLAY=":$display" xdotool mousemove 150 142 click 1 sleep 0.3 key Return  # the "от" field
sleep 0.5
wait_status "Опрос: Готово" 30
check "empty last field, run by Return: one address" "$(scan rows)" $'10.77.0.5\t\tgamma.lab'
# A field that is no address and a reversed range are refused with a box naming why; the
# rows and the button stay.
caption=$(printf 'Vetrel%39s' '')
why=' — нужны четыре числа от 0 до 255 через точку.'
for refusal in '10.77.0.10|10.77.0.1|Неверный диапазон «до»: 10.77.0.1 — меньше адреса «от» 10.77.0.10.' \
  "|10.77.0.1|Неверный IP-адрес «от»: (пусто)$why" "999.1.1.1|999.1.1.5|Неверный IP-адрес «от»: 999.1.1.1$why" \
  "10.77.0.1|10.77.0.1.5|Неверный IP-адрес «до»: 10.77.0.1.5$why" \
  "10.77.0.1|10.77.300|Неверный IP-адрес «до»: 10.77.300$why" "10.77.0.1|1.2.3|Неверный IP-адрес «до»: 1.2.3$why"; do
  IFS='|' read -r rfrom rto rtext <<<"$refusal"
  run_range "$rfrom" "$rto"
  box=$(drive waitbox 30)
  drive answer ok
  check "refused: $rtext" "$box|$(scan rows)|$(scan state)" \
    "$caption|$rtext|"$'10.77.0.5\t\tgamma.lab'"|Выполнить|enabled|enabled"
done

# --- more than 65536 addresses are refused with a box
run_range 10.0.0.0 10.1.0.0
box=$(drive waitbox 30)
check "an oversized range is refused" "$box" \
  "$(printf 'Vetrel%39s' '')|Слишком большой диапазон адресов: за один опрос не больше 65536 адресов."
drive answer ok
check "after the refusal the page stays idle" "$(scan state)" "Выполнить|enabled|enabled"

# --- a long pass (a /16 of names nobody answers), stopped
run_range 10.78.0.0 10.78.255.255
wait_status "Опрос: Выполняется... [1-9]* из 65536" 20 && pass "a /16 runs: Опрос: Выполняется... N из 65536" ||
  fail "no running status with its count: $(scan_status)"
check "running state" "$(scan state)" "Остановить|disabled|disabled"
check "no result menu while running" "$(scan rclick results)" "none"
check "no samples menu while a comparing scan runs" "$(scan rclick samples)" "none"
drive column results 0
check "no sort while running" "$(drive sortmark results)" "none"
scan click 1
wait_status "Опрос: Прервано" 60 && pass "stop reaches Опрос: Прервано" || fail "stop: status $(scan_status)"
check "state after the stop" "$(scan state)" "Выполнить|enabled|enabled"
check "the samples menu is back when idle" "$(scan rclick samples)" "menu"
scan closemenu

# --- repeat: the pass ends in "Опрос: Пауза" with the button still stopping
scan click 40005
run_range 10.77.0.1 10.77.0.4
pause='Опрос: Пауза до [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'
wait_status "$pause" 60 && pass "repeat reaches Опрос: Пауза with the next start: $(scan_status)" ||
  fail "repeat: status $(scan_status)"
check "waiting-for-repeat state" "$(scan state)" "Остановить|disabled|disabled"
check "rows of the repeated range" "$(scan rows | cut -f1 | paste -sd' ')" "10.77.0.2 10.77.0.3"
check "no menu while a repeat is armed" "$(scan rclick results)" "none"
scan timer
wait_status "$pause" 60
check "a repeat tick scans again and pauses" "$(scan rows | cut -f1 | paste -sd' ')" "10.77.0.2 10.77.0.3"
scan click 1
wait_status "Опрос: Готово" 10 && pass "stop while waiting: Опрос: Готово" || fail "stop while waiting: $(scan_status)"
check "idle again" "$(scan state)" "Выполнить|enabled|enabled"

# --- stop during a pass with repeat: the timer goes at once, the pass ends interrupted
run_range 10.78.0.0 10.78.255.255
wait_status "Опрос: Выполняется...*" 20 || fail "repeat pass not running: $(scan_status)"
scan click 1
wait_status "Опрос: Прервано" 60 && pass "stop with repeat: Опрос: Прервано" || fail "stop with repeat: $(scan_status)"
check "no repeat left" "$(scan state)" "Выполнить|enabled|enabled"
scan timer
seen=
for _ in 1 2 3 4 5; do seen="$seen $(scan_status)"; done
check "a tick queued before the stop starts nothing" "$seen" "$(printf ' Опрос: Прервано%.0s' 1 2 3 4 5)"

# --- close while a pass runs; the ticks are saved with the settings
run_range 10.78.0.0 10.78.255.255
wait_status "Опрос: Выполняется...*" 20 || fail "last pass not running: $(scan_status)"
drive foreground
sleep 0.5
DISPLAY=":$display" xdotool key alt+F4
[ "$(drive waitbox 30 | cut -d'|' -f2)" = "Выйти из программы?" ] && DISPLAY=":$display" xdotool key Return
gone=
for _ in $(seq 60); do drive visible >/dev/null 2>&1 || { gone=1; break; }; sleep 0.5; done
[ -n "$gone" ] && pass "closed during a running scan" || fail "still running after the close"
log | tail -1 | grep -q 'Конец записи в лог-файл.' && pass "the log ends with its end line" ||
  fail "log end: $(log | tail -2)"
ini=$(tr -d '\r' <"$work/quorel.ini")
echo "$ini" | grep -qx 'ScanGetName=1' && echo "$ini" | grep -qx 'ScanCheckMac=1' &&
  pass "ScanGetName and ScanCheckMac saved" || fail "ini: $(echo "$ini" | grep Scan)"

echo "screenshots in $shots: scan_rows.png, scan_menu.png"
wine_lab_verdict gui_scan
