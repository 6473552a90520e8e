#!/usr/bin/env bash
# The settings dialog and the route editor of vetrel.exe under Wine and Xvfb, driven by
# gui_driver.exe: the dialog's three messages in their order, a valid set that quorel.ini
# holds after exit (MsgMask 263 coming back as 262), the log switched off and on, the Run
# value, and the route command lines. Wine has no route command, so a recording stand-in
# (route_recorder.exe) is planted beside vetrel.exe as route.exe, which must not run, and
# then put into the prefix's system folder, where the program looks for it. Relies on Wine's real registry, profile API and route table.
# Argument: the mingw build directory. Needs root (ip netns).
set -uo pipefail
build=$(cd "${1:?usage: gui_settings.sh MINGW_BUILD_DIR}" && pwd)
. "$(dirname "$0")/../../scripts/wine/wine_lab.sh"
wine_lab_need gui_settings.sh "$build/vetrel.exe" "$build/gui_driver.exe" "$build/route_recorder.exe"

wine_lab_init gset

# Asked again (at most three times) when the driver could not run.
drive() { wine_drive 3 "$@"; }

caption=$(printf 'Vetrel%39s' '')
S=settings
R=route
# Presses a dialog button and prints its message box (or "none"), answering it.
press() {
  local box
  drive dlgpush "$1" "$2"
  box=$(drive dlgbox "$1" "${3:-30}")
  [ "$box" != none ] && drive dlganswer "$1"
  printf '%s\n' "$box"
}
expect_box() {  # DESCRIPTION GOT WANTED-TEXT
  [ "$2" = "$caption|$3" ] && pass "$1" || fail "$1: $2"
}
# Opens the settings, sets the controls, presses OK and waits until the dialog has gone.
settings_ok() {
  drive post 32774
  [ $# -gt 0 ] && drive dlgset "$S" "$@"
  drive dlgpush "$S" 1
  [ "$(drive dlggone "$S" 30)" = 1 ] || fail "settings did not close after OK with $*"
}
log() { iconv -f cp1251 -t utf-8 "$work/quorel.log" 2>/dev/null | tr -d '\r'; }
ini() { iconv -f cp1251 -t utf-8 "$work/quorel.ini" | tr -d '\r'; }
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { inns 30 wine reg query "$run_key" /v Vetrel 2>/dev/null | tr -d '\r' | grep -F Vetrel; }
# Crops the dialog whose dlgread output is $1 from the screen.
shoot() {
  local x y w h
  read -r _ x y w h _ <<<"$(printf '%s\n' "$1" | grep '^rect ')"
  DISPLAY=":$display" import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shots/$2"
}
centred() {  # the dialog's rect line: left = owner left + (owner width - client width) / 2
  local x y cw ch ox oy ow oh
  read -r _ x y _ _ _ cw ch _ ox oy ow oh <<<"$(printf '%s\n' "$1" | grep '^rect ')"
  [ "$x" -eq $((ox + (ow - cw) / 2)) ] && [ "$y" -eq $((oy + (oh - ch) / 2)) ]
}

# --- the namespace: an address for the adapter and a route through a gateway
gateway_route() {
  plant 10.78.0.254 02:00:00:00:fe:fe
  ip -n "$ns" route add 10.99.0.0/16 via 10.78.0.254 metric 7
}
wine_lab_start 10.78.0.1/24 gset gateway_route || exit 1

# --- the program directory: an ini with every key in the written order; bit 1 in MsgMask
cp "$build/vetrel.exe" "$build/gui_driver.exe" "$work/"
keys=(AddNew CheckMac Restore AddAddIp BlockNew ShowMsg WriteLog SaveStat RunOnStart HideOnRun
  ScanGetName ScanCheckMac CheckInt MaxScanThreads MsgToMail MailTo MailFrom MailServer MailPort
  MailLogin MailPassw SendMailInt MsgMask MailMask WndX WndY Wndcx Wndcy MsgX MsgY Msgcx Msgcy)
values=(1 1 0 1 0 0 1 0 0 0 0 0 4 3 0 '' '' '' 25 '' '' 30 263 4 40 30 700 480 40 540 700 230)
{
  printf '[Vetrel]\r\n'
  for i in "${!keys[@]}"; do printf '%s=%s\r\n' "${keys[$i]}" "${values[$i]}"; done
} >"$work/quorel.ini"

cd "$work" || exit 1
inns 600 wine explorer "/desktop=$desk,1280x900" vetrel.exe >/dev/null 2>&1 &
up=
for _ in $(seq 120); do
  if drive visible >/dev/null && [ "$(drive visible)" = 1 ]; then up=1; break; fi
  sleep 0.5
done
[ -n "$up" ] || { fail "the main window did not appear within 60 s"; exit 1; }
pass "main window up"
mkdir -p "$shots"

# --- the settings dialog as it opens on the ini
drive post 32774
form=$(drive dlgread "$S")
# Here-strings, not pipes: with pipefail an early "grep -q" exit could fail the writer.
has() { grep -qxF -e "$1" <<<"$form"; }
missing=
while IFS= read -r line; do has "$line" || missing+="[$line] "; done <<'EOF'
caption	 Настройки - Vetrel
1002	check	1	Пополнять образцы
1003	check	1	Разрешить несколько IP на MAC
1004	check	1	Сверять с образцами
1005	check	0	Восстанавливать MAC при подмене
1012	check	0	Подменять MAC для новых IP
-1	label	Показывать сообщения при событиях:
40006	list	170 header checkboxes fullrow infotip
40006:0	подмена адреса	1	4
40006:1	новый адрес	0	16
40006:2	дополн. IP-адрес	0	32
40006:3	изменение маршрутов	0	64
40006:4	ошибки программы	1	2
40006:5	ошибки отправки почты	1	256
1007	check	1	Не показывать окно сообщений
1006	check	1	Запись в лог-файл
-1	label	Проверять кэш через:
1000	edit	4
-1	label	сек.
-1	label	Кол-во потоков опроса:
1011	edit	3
-1	label	(1 - 16)
1008	check	0	Сохранять статические записи
1009	check	0	Запускать при старте системы
1010	check	0	Скрывать при запуске
40004	check	0	Сообщать по почте
-1	label	Сообщать о событиях:
1020	list	170 header checkboxes fullrow infotip
1020:0	подмена адреса	1	4
1020:1	новый адрес	0	16
1020:2	дополн. IP-адрес	0	32
1020:3	изменение маршрутов	0	64
1020:4	ошибки программы	0	2
-1	label	Кому:
1018	edit	
-1	label	От:
1019	edit	
-1	label	Сервер:
1014	edit	
-1	label	Порт:
1015	edit	25
-1	label	(25)
-1	label	Логин:
1016	edit	
-1	label	Пароль:
1017	password	
1	button	OK
2	button	Отмена
EOF
[ -z "$missing" ] && pass "settings: every control with its id, label and value; the lists tick 263 and 4" ||
  fail "settings controls missing: $missing; read: $form"
[ "$(printf '%s\n' "$form" | grep -c '^1020:')" -eq 5 ] && [ "$(printf '%s\n' "$form" | grep -c '^40006:')" -eq 6 ] &&
  pass "six and five list items" || fail "list items: $(printf '%s\n' "$form" | grep ':')"
grep -q 'CUT' <<<"$form" && fail "labels cut: $(grep CUT <<<"$form")" ||
  pass "no label wider than its control"
centred "$form" && pass "settings centred on the main window" || fail "not centred: $(echo "$form" | grep '^rect ')"
shoot "$form" settings.png
colours=$(convert "$shots/settings.png" -format '%k' info: 2>/dev/null)
[ "${colours:-0}" -gt 8 ] && pass "screenshot settings.png ($colours colours)" || fail "settings.png looks blank"

# --- the checks in order: threads first, then the interval, then the contradiction
thread_msg=$'Количество потоков должно быть   \nв пределах от 1 до 16.'
interval_msg=$'Интервал проверок должен быть   \nв пределах от 2 до 60 сек.'
contra_msg=$'Нельзя включать одновременно «Пополнять образцы»    \nи «Подменять MAC для новых IP».'
drive dlgset "$S" 1011=0 1000=61
expect_box "threads 0 (interval 61) gives the thread message" "$(press "$S" 1)" "$thread_msg"
drive dlgset "$S" 1011=
expect_box "empty threads give the thread message" "$(press "$S" 1)" "$thread_msg"
drive dlgset "$S" 1011=5
expect_box "interval 61 gives the interval message" "$(press "$S" 1)" "$interval_msg"
drive dlgset "$S" 1000=7 1012=1
expect_box "both switches give the contradiction" "$(press "$S" 1)" "$contra_msg"
[ "$(drive dlggone "$S" 1)" = 0 ] && pass "the dialog stays open after the contradiction" ||
  fail "the dialog closed after the contradiction"
# Then the mail fields, looked at only when mail is sent: a port no connection can use, mail
# ticked without a server.
drive dlgset "$S" 1012=0 40004=1 1015=999999
expect_box "port 999999 is refused" "$(press "$S" 1)" 'Неверный порт «Порт»: 999999 — нужно число от 1 до 65535.'
drive dlgset "$S" 1015=25
expect_box "mail without a server is refused" "$(press "$S" 1)" 'Не указан сервер «Сервер» — без него сообщения по почте не отправить.'
# A recipient longer than its field is refused whole, naming the field; never cut.
long_to=$(printf 'a%.0s' $(seq 36))@example.org
drive dlgset "$S" 1014=127.0.0.1 1018="$long_to"
expect_box "a 48-character recipient is refused" "$(press "$S" 1)" \
  "Слишком длинное значение «Кому»: $long_to — 48 символов, а поле вмещает не больше 31."
[ "$(drive dlgfocus "$S")" = 1018 ] && pass "the recipient field has the focus" ||
  fail "focus after the long recipient: $(drive dlgfocus "$S")"
# Our choice: a failed check stores nothing, so cancel keeps the settings of the opening.
drive dlgpush "$S" 2
[ "$(drive dlggone "$S" 30)" = 1 ] || fail "cancel did not close the dialog"
drive post 32774
form=$(drive dlgread "$S")
has $'1011\tedit\t3' && has $'1000\tedit\t4' && has $'1012\tcheck\t0\tПодменять MAC для новых IP' &&
  has $'1015\tedit\t25' && has $'40004\tcheck\t0\tСообщать по почте' &&
  pass "cancel after the contradiction keeps the old values" || fail "after cancel: $form"
drive dlgpush "$S" 2
drive dlggone "$S" 30 >/dev/null

# --- a valid set (the pop-up list untouched: 263 must come back as 262)
settings_ok 1002=0 1003=0 1004=1 1005=1 1012=0 1007=0 1000=9 1011=7 1008=1 1010=1 40004=1 \
  1018=to@example.org 1019=from@example.org 1014=127.0.0.1 1015=2526 1016=логин 1017=пароль \
  1020:0=1 1020:3=1 1020:4=1
grep -q '^MaxScanThreads=3' <(ini) && pass "nothing written to quorel.ini before exit" ||
  fail "quorel.ini changed while running: $(ini)"

# --- the log switched off and on over two openings
settings_ok 1006=0
settings_ok 1006=1
between=$(log | awk '/Конец записи в лог-файл\./ { found = 1; next } found { print; exit }')
[[ "$between" == *' Начало записи в лог-файл.' ]] &&
  pass "log: the end line, then at once the start line" || fail "log after off and on: $(log | tail -4)"

# --- autostart: tick creates the Run value, untick removes it, an unchanged OK leaves it alone
settings_ok 1009=1
value=$(run_value)
quoted='REG_SZ +"[A-Z]:\\.*\\vetrel\.exe"$'
[[ "$value" =~ $quoted ]] && pass "tick creates the quoted Run value: $value" ||
  fail "Run value: '$value'"
settings_ok 1009=0
[ -z "$(run_value)" ] && pass "untick removes the Run value" || fail "Run value left: $(run_value)"
settings_ok 1009=1
inns 30 wine reg delete "$run_key" /v Vetrel /f >/dev/null 2>&1
lines=$(log | wc -l)
settings_ok
[ -z "$(run_value)" ] && pass "OK with nothing changed does not touch the Run value" ||
  fail "an unchanged OK wrote the Run value"
[ "$(log | wc -l)" -eq "$lines" ] && pass "OK with nothing changed writes no log line" ||
  fail "an unchanged OK logged: $(log | tail -2)"

# --- the route editor in add mode, pre-filled from the selected row
drive tab 3 >/dev/null
routes=$(drive rows routes)
row=$(($(printf '%s\n' "$routes" | grep -n '^10\.99\.0\.0'$'\t' | cut -d: -f1 | head -1) - 1))
[ "$row" -ge 0 ] || fail "the planted route is not listed: $routes"
picked=$(printf '%s\n' "$routes" | sed -n "$((row + 1))p")
drive select routes "$row"
drive post 3015
form=$(drive dlgread "$R")
IFS=$'\t' read -r a m g _ metric _ <<<"$picked"
has $'caption\tДобавить маршрут' && has $'1000\tedit\t'"$a" && has $'1011\tedit\t'"$m" && has $'1012\tedit\t'"$g" && has $'1014\tedit\t'"$metric" &&
  pass "add mode is pre-filled from the row: $a $m $g $metric" || fail "pre-fill: $form (row: $picked)"
has $'-1\tlabel\tАдрес' && has $'-1\tlabel\tМаска' && has $'-1\tlabel\tШлюз' && has $'-1\tlabel\tМетрика' &&
  ! grep -q CUT <<<"$form" && pass "route dialog labels" || fail "route labels: $form"
centred "$form" && pass "route dialog centred" || fail "route dialog not centred: $(echo "$form" | grep '^rect ')"
shoot "$form" route_add.png

# Without a route command in the system folder the start fails; one planted beside the
# program is not run.
system32=$prefix/drive_c/windows/system32
calls() { tr -d '\r' <"$system32/route_calls.txt" 2>/dev/null; }
[ -e "$system32/route.exe" ] && fail "the prefix already has a route.exe"
cp "$build/route_recorder.exe" "$work/route.exe"
drive dlgset "$R" 1000=10.55.0.0 1011=255.255.0.0 1012=10.78.0.254 1014=
expect_box "no route command: its message" "$(press "$R" 1)" "Ошибка команды route."
[ "$(drive dlggone "$R" 1)" = 0 ] && pass "the dialog stays open" || fail "closed after the failed start"
[ ! -e "$work/route_calls.txt" ] && pass "a route.exe beside the program is not run" ||
  fail "the planted route.exe ran: $(cat "$work/route_calls.txt")"
cp "$build/route_recorder.exe" "$system32/route.exe"
drive dlgpush "$R" 1
[ "$(drive dlggone "$R" 30)" = 1 ] && pass "OK closes after the command ran" || fail "still open after OK"
drive post 3015
drive dlgset "$R" 1000=10.56.0.0 1011=255.255.0.0 1012=10.78.0.254 1014=5
drive dlgpush "$R" 1
drive dlggone "$R" 30 >/dev/null
want=$'route add 10.55.0.0 mask 255.255.0.0 10.78.0.254\nroute add 10.56.0.0 mask 255.255.0.0 10.78.0.254 metric 5'
[ "$(calls)" = "$want" ] && pass "route command lines without and with a metric" || fail "route calls: $(calls)"
# A field that is no address, a gapped mask or a metric out of range: a message naming the
# field, no command, the dialog stays.
drive post 3015
dotted=' — нужны четыре числа от 0 до 255 через точку.'
for bad in "1000=1.2.3|Неверный адрес «Адрес»: 1.2.3$dotted" \
  "1000=-p 10.9.9.0|Неверный адрес «Адрес»: -p 10.9.9.0$dotted" \
  "1011=255.0.255.0|Неверная маска «Маска»: 255.0.255.0 — единицы маски должны идти подряд." \
  "1012=999.999.999.999|Неверный шлюз «Шлюз»: 999.999.999.999$dotted" \
  "1014=abc-7|Неверная метрика «Метрика»: abc-7 — нужно число от 1 до 9999."; do
  drive dlgset "$R" 1000=10.57.0.0 1011=255.255.0.0 1012=10.78.0.254 1014= "${bad%%|*}"
  expect_box "route field ${bad%%|*} refused by name" "$(press "$R" 1)" "${bad#*|}"
done
[ "$(drive dlggone "$R" 1)" = 0 ] && [ "$(calls | wc -l)" -eq 2 ] &&
  pass "refused fields run no command and keep the dialog" || fail "after refusals: $(calls)"
# A command that runs and refuses (exit 1): its words in a box and a program-error line;
# the dialog keeps its values for a retry.
cp "$system32/route_calls.txt" "$work/calls.before"
printf 'The requested operation requires elevation.\r\n' >"$system32/route_refuses.txt"
drive dlgset "$R" 1000=10.58.0.0 1011=255.255.0.0 1012=10.78.0.254 1014=
expect_box "a refused route command is told" "$(press "$R" 1)" \
  $'Ошибка команды route.\nКод завершения: 1.\n\nThe requested operation requires elevation.'
form=$(drive dlgread "$R")
[ "$(drive dlggone "$R" 1)" = 0 ] && has $'1000\tedit\t10.58.0.0' &&
  pass "the dialog stays with its values" || fail "after the refusal: $form"
log | grep -qF 'Ошибка команды route: route add 10.58.0.0 mask 255.255.0.0 10.78.0.254 — код завершения 1: The requested operation requires elevation.' &&
  pass "the refusal is journalled" || fail "journal: $(log | tail -3)"
rm -f "$system32/route_refuses.txt"
mv "$work/calls.before" "$system32/route_calls.txt"
drive dlgpush "$R" 2
drive dlggone "$R" 30 >/dev/null

# --- view mode: a double-click shows the row under the template's caption; OK runs nothing
drive select routes "$row"
drive dblclick routes
form=$(drive dlgread route)
has $'caption\t Маршрут' && has $'1000\tedit\t'"$a"$'\tREADONLY' &&
  has $'1014\tedit\t'"$metric"$'\tREADONLY' &&
  pass "double-click shows the row, read-only, under the template's caption" ||
  fail "view mode: $form"
shoot "$form" route_view.png
drive dlgpush route 1
[ "$(drive dlggone route 30)" = 1 ] && [ "$(calls | wc -l)" -eq 2 ] &&
  pass "view mode OK closes and records no command" || fail "view mode OK: $(calls)"

# --- delete: the question under "Внимание!"; Wine's DeleteIpForwardEntry answers success
drive select routes "$row"
drive post 3017
box=$(drive waitbox 30)
[ "$box" = $'Внимание!|Удаление маршрута может нарушить работу сети.    \nДействительно хотите удалить маршрут?' ] &&
  drive answer yes && [ "$(drive waitbox 2)" = none ] && pass "delete route asks, and Yes shows no error" ||
  fail "delete route: $box"

# --- exit, then the file holds exactly the chosen values
drive foreground
sleep 0.5
DISPLAY=":$display" xdotool key alt+F4
[ "$(drive waitbox 30 | cut -d'|' -f2)" = "Выйти из программы?" ] && DISPLAY=":$display" xdotool key Return
for _ in $(seq 60); do drive visible >/dev/null 2>&1 || break; sleep 0.5; done
drive visible >/dev/null 2>&1 && fail "still running after Yes"
chosen='AddNew=0 CheckMac=1 Restore=1 AddAddIp=0 BlockNew=0 ShowMsg=1 WriteLog=1 SaveStat=1
RunOnStart=1 HideOnRun=1 CheckInt=9 MaxScanThreads=7 MsgToMail=1 MailTo=to@example.org
MailFrom=from@example.org MailServer=127.0.0.1 MailPort=2526 MailLogin=логин MsgMask=262 MailMask=70'
wrong=
for kv in $chosen; do grep -qxF "$kv" <(ini) || wrong+="$kv "; done
[ -z "$wrong" ] && pass "quorel.ini holds the chosen values, MsgMask 262" || fail "quorel.ini lacks: $wrong; $(ini)"
grep -qE '^MailPassw=([0-9a-f]{2})+$' <(ini) && pass "the password stored protected" ||
  fail "MailPassw: $(grep MailPassw <(ini))"

echo "screenshots in $shots"
wine_lab_verdict gui_settings
