#!/usr/bin/env bash
# The two address entry dialogs of vetrel.exe under Wine and Xvfb: the sample dialog adds,
# refuses short texts and a present IP, probes, edits and closes; the ARP entry dialog writes
# only long enough texts. samples.dat is read after the program has ended.
# Relies on Wine 8's stubs: SendARP answers 50, so every MAC request fails and shows its
# error line; SetIpNetEntry answers success without a change and says so on its fixme
# channel, which is how a write is seen. Names come from a hosts file that `ip netns exec`
# lays over /etc/hosts inside the namespace only; no lookup leaves the namespace.
# Argument: the mingw build directory. Needs root (ip netns).
set -uo pipefail
build=$(cd "${1:?usage: gui_dialogs.sh MINGW_BUILD_DIR}" && pwd)
. "$(dirname "$0")/../../scripts/wine/wine_lab.sh"
guide=$(cd "$(dirname "$0")/../.." && pwd)/doc/README.ru.txt
wine_lab_need gui_dialogs.sh "$build/vetrel.exe" "$build/gui_driver.exe" "$build/gui_hook.dll"

wine_lab_init guidlg

drive() { wine_drive 3 "$@"; }  # again when the driver could not run
caption=$(printf 'Vetrel%39s' '')
no_mac=$'Ошибка получения MAC-адреса.\nНет данных.'
no_name=$'Ошибка получения имени хоста.\nНет данных.'

# --- the namespace, and the names its resolver knows
resolver_files() { wine_lab_hosts '10.77.0.8 named-host.lab'; }
wine_lab_start 10.77.0.1/24 gui-dialogs resolver_files || exit 1

cp "$build/vetrel.exe" "$build/gui_driver.exe" "$build/gui_hook.dll" "$work/"
# The third line holds no sample: every save writes it back as it stands, in its place.
printf '%s\r\n' $'10.77.0.2\t02-00-00-00-02-02\tшлюз' $'10.77.0.3\t02-00-00-00-03-03\tсервер' \
  'мусорная  строка' | iconv -f utf-8 -t cp1251 >"$work/samples.dat"
printf '%s\r\n' '[Vetrel]' AddNew=0 AddAddIp=0 ShowMsg=0 CheckInt=60 WndX=40 WndY=30 Wndcx=700 \
  Wndcy=480 WatchIpv6=0 >"$work/quorel.ini"

cd "$work" || exit 1
wine_lab_show_vetrel || { fail "the main window did not appear within 60 s"; exit 1; }
drive tab 1 >/dev/null

mkdir -p "$shots"
# shot NAME [box]: the open dialog, or its message box, cut to its rectangle.
shot() {
  local r
  read -ra r <<<"$(drive rect ${2:-dialog})"
  [ "${#r[@]}" -eq 7 ] || { fail "no dialog for $1.png"; return; }
  DISPLAY=":$display" import -window root -crop "$((r[2] - r[0]))x$((r[3] - r[1]))+${r[0]}+${r[1]}" +repage "$shots/$1.png"
  echo "screenshot $shots/$1.png"
}
# centred: the dialog's middle lies on the main window's (40, 30, 700 by 480), give or take
# its frame and caption.
centred() {
  local r
  read -ra r <<<"$(drive rect dialog)"
  [ "${#r[@]}" -eq 7 ] || return 1
  local dx=$(((r[0] + r[2]) / 2 - 390)) dy=$(((r[1] + r[3]) / 2 - 270))
  [ "${dx#-}" -le 8 ] && [ "${dy#-}" -le 20 ]
}
set_edits() {  # IP MAC [NAME]
  drive dlgset address "1000=$1" "1011=$2" ${3+"1012=$3"}
}
sample_rows() { drive rows samples; }
# dialog SECONDS: "caption|IP|MAC|name" of the address dialog once open (the ARP entry
# dialog has no name edit), or "none".
dialog() {
  drive dlgread address "$1" | awk -F'\t' '$1 == "none" { print; exit }
    $1 == "caption" { c = $2 } $1 == 1000 { a = $3 } $1 == 1011 { m = "|" $3 } $1 == 1012 { n = "|" $3 }
    END { if (c != "") print c "|" a m n }'
}

# --- the sample dialog, add mode (command 3004)
drive post 3004
d=$(dialog 30)
[ "$d" = "Добавить адрес|||" ] && pass "3004 opens 'Добавить адрес' with empty edits" || fail "3004: $d"
[ "$(drive defid)" = 2 ] && pass "'Закрыть' is the default button" || fail "default button: $(drive defid)"
centred && pass "the sample dialog is centred on the main window" || fail "not centred: $(drive rect dialog)"
set_edits 10.77.0.20 02-00-00-00-20-20 новый-хост
shot sample_add
drive dlgpush address 1
[ "$(dialog 0 | cut -d'|' -f1)" = "Добавить адрес" ] && pass "add mode stays open" || fail "dialog closed"
[ "$(sample_rows | sed -n 3p)" = $'10.77.0.20\t02-00-00-00-20-20\tновый-хост\t*' ] &&
  pass "the new sample is the selected third row" || fail "rows: $(sample_rows)"

# "*" is any MAC; short texts are refused with the others below.
set_edits 10.77.0.21 '*' ''
drive dlgpush address 1
[ "$(sample_rows | sed -n 4p)" = $'10.77.0.21\t*\t\t*' ] && pass "MAC '*' is accepted" ||
  fail "any MAC: $(sample_rows)"

# A present IP text is refused with a box the dialog owns; the dialog stays.
set_edits 10.77.0.2 02-00-00-00-02-99 другой
drive dlgpush address 1
box=$(drive dlgbox address 30)
[ "$box" = "$caption|Адрес 10.77.0.2 уже есть." ] && pass "duplicate refused: ${box#*|}" ||
  fail "duplicate box: $box"
shot sample_duplicate_box box
drive dlganswer address
[ "$(dialog 2 | cut -d'|' -f1)" = "Добавить адрес" ] && [ "$(sample_rows | wc -l)" -eq 4 ] &&
  pass "after the refusal the dialog is open and nothing was added" || fail "after duplicate"

# The probe: the name from the namespace's hosts file, the MAC line for the failed ARP.
set_edits 10.77.0.8 '' ''
drive dlgpush address 3
box=$(drive dlgbox address 30)
[ "$box" = "$caption|$no_mac" ] && pass "probe of a named host: the MAC line alone" ||
  fail "probe box: $box"
drive dlganswer address
[ "$(dialog 2)" = "Добавить адрес|10.77.0.8||named-host.lab" ] &&
  pass "the name edit holds the name found" || fail "after probe: $(dialog 2)"
set_edits 10.77.0.99 '' ''
drive dlgpush address 3
box=$(drive dlgbox address 30)
[ "$box" = "$caption|$no_mac"$'\n'"$no_name" ] && pass "no answer and no name: both lines in one box" ||
  fail "probe box: $box"
shot sample_probe_box box
drive dlganswer address
# The probe reads the IP as OK does: 0.0.0.0 (taken by OK, no host to ask) asks nothing and
# says nothing; a text OK refuses gets OK's message and focus.
set_edits 0.0.0.0 '' ''
drive dlgpush address 3
[ "$(drive dlgbox address 3)" = none ] && pass "0.0.0.0 probes nothing, silently" || fail "0.0.0.0 probe"
set_edits abc.def.ghi.jkl '' ''
drive dlgpush address 3
box=$(drive dlgbox address 30)
drive dlganswer address
[ "$box" = "$caption|Неверный IP-адрес: abc.def.ghi.jkl — ни адрес, ни шаблон: четыре числа от 0 до 255 через точку, * вместо любых." ] && [ "$(drive dlgfocus address)" = 1000 ] &&
  pass "the probe refuses what OK refuses: ${box#*|}" || fail "abc probe box: $box"

# OK refuses a field that holds no value of its kind, naming it; the dialog stays with the
# field focused. A plain address and a MAC are stored in one form.
refused() {  # IP MAC TEXT FOCUS
  set_edits "$1" "$2" n
  drive dlgpush address 1
  box=$(drive dlgbox address 30)
  shot "sample_refused_$4" box
  drive dlganswer address
  [ "$box" = "$caption|$3" ] && [ "$(drive dlgfocus address)" = "$4" ] &&
    [ "$(sample_rows | wc -l)" -eq 4 ] && pass "refused: ${box#*|}" ||
    fail "$1 $2: box '$box', focus $(drive dlgfocus address), $(sample_rows | wc -l) rows"
}
no_ip=' — ни адрес, ни шаблон: четыре числа от 0 до 255 через точку, * вместо любых.'
six=' — нужны шесть байтов, например 00-1a-2b-3c-4d-5e, или шаблон с *.'
refused 999.1.1.1 02-00-00-00-22-22 "Неверный IP-адрес: 999.1.1.1$no_ip" 1000
refused 10.77.0.-1 02-00-00-00-22-22 "Неверный IP-адрес: 10.77.0.-1$no_ip" 1000
refused 10.7.0 02-00-00-00-22-22 "Неверный IP-адрес: 10.7.0$no_ip" 1000
refused 10.77.0.22 zz-zz-zz-zz-zz-zz "Неверный MAC-адрес: zz-zz-zz-zz-zz-zz$six" 1011
refused 10.77.0.22 02-00-00-0 "Неверный MAC-адрес: 02-00-00-0$six" 1011
refused 10.77.0.22 '' "Неверный MAC-адрес: (пусто) — для любого MAC укажите *." 1011
refused 10.77.0.22 ff:ff:ff:ff:ff:ff "Неверный MAC-адрес: ff:ff:ff:ff:ff:ff — широковещательный адрес." 1011
refused 10.77.0.22 00-11-22-33-44-55-66 \
  "Слишком длинное значение «MAC»: 00-11-22-33-44-55-66 — 20 символов, а поле вмещает не больше 19." 1011
set_edits '010.077.000.022 ' 02:00:00:00:00:22 канон
drive dlgpush address 1
[ "$(sample_rows | sed -n 5p)" = $'10.77.0.22\t02-00-00-00-00-22\tканон\t*' ] &&
  pass "stored as 10.77.0.22 and 02-00-00-00-00-22" || fail "canonical: $(sample_rows)"
set_edits 10.77.0.002 02-00-00-00-00-22 again
drive dlgpush address 1
box=$(drive dlgbox address 30)
drive dlganswer address
[ "$box" = "$caption|Адрес 10.77.0.002 уже есть." ] && pass "the same address written otherwise is a duplicate" ||
  fail "duplicate in another form: $box"

# The guide's pattern examples (IP, MAC), however short, are entered where it says they can be.
examples=$(sed -n '/^  192\.168\.1\.\*  /,/^  \*  /p' "$guide" | awk '{ print $1 "\t" $2 }')
while IFS=$'\t' read -r gip gmac; do
  set_edits "$gip" "$gmac" образец
  drive dlgpush address 1
done <<<"$examples"
sleep 1
[ "$(echo "$examples" | wc -l)" = 3 ] && [ "$(sample_rows | sed -n '6,8p' | cut -f1,2)" = "$examples" ] &&
  pass "the guide's patterns are accepted: $(echo "$examples" | paste -sd' ')" ||
  fail "patterns: $examples / $(sample_rows)"

drive dlgpush address 2
[ "$(drive dlggone address 30)" = 1 ] && pass "'Закрыть' closes the dialog" || fail "still open"

# --- edit mode by double-click: the IP of another sample is refused as in add mode
drive select samples 2
drive dblclick samples 2
d=$(dialog 30)
[ "$d" = "Редактировать|10.77.0.20|02-00-00-00-20-20|новый-хост" ] &&
  pass "double-click opens 'Редактировать' with the row's texts" || fail "double-click: $d"
centred && pass "the edit dialog is centred" || fail "edit dialog not centred"
shot sample_edit
set_edits 10.77.0.3 02-00-00-00-03-33 изменён
drive dlgpush address 1
box=$(drive dlgbox address 30)
drive dlganswer address
[ "$box" = "$caption|Адрес 10.77.0.3 уже есть." ] && pass "editing into another sample's address is refused" ||
  fail "edit into a duplicate: $box"
set_edits 10.77.0.23 02-00-00-00-03-33 изменён
drive dlgpush address 1
[ "$(drive dlggone address 30)" = 1 ] && pass "OK in edit mode closes the dialog" || fail "edit dialog still open"
[ "$(sample_rows | sed -n 3p)" = $'10.77.0.23\t02-00-00-00-03-33\tизменён\t*' ] &&
  pass "the row is replaced whole and selected" || fail "after edit: $(sample_rows)"

# --- command 3005: the first selected row; none selected: nothing opens
drive select samples 0
drive post 3005
d=$(dialog 30)
[ "$d" = "Редактировать|10.77.0.2|02-00-00-00-02-02|шлюз" ] && pass "3005 edits the selected row" ||
  fail "3005: $d"
drive dlgpush address 2
drive select samples
drive post 3005
[ "$(dialog 3)" = none ] && pass "3005 without a selected row opens nothing" ||
  { fail "3005 opened a dialog"; drive dlgpush address 2; }

# --- the ARP entry dialog (command 3001)
drive tab 0 >/dev/null
drive post 3001
d=$(dialog 30)
[ "$d" = "Добавить запись||" ] && pass "3001 opens 'Добавить запись' with IP and MAC" || fail "3001: $d"
[ "$(drive defid)" = 2 ] && pass "'Закрыть' is its default button" || fail "default: $(drive defid)"
centred && pass "the ARP entry dialog is centred" || fail "ARP entry dialog not centred"
writes() { grep -c 'SetIpNetEntry' "$work/wine.err"; }
before=$(writes)
set_edits 10.77.0.30 02-00-00-00-30-30
drive dlgpush address 1
for _ in $(seq 60); do [ "$(writes)" -gt "$before" ] && break; sleep 0.5; done
[ "$(writes)" -gt "$before" ] && [ "$(drive dlgbox address 1)" = none ] &&
  pass "a full entry reaches SetIpNetEntry (Wine answers success): $(grep SetIpNetEntry "$work/wine.err" | tail -1)" ||
  fail "no write: $(tail -3 "$work/wine.err")"
[ "$(dialog 0 | cut -d'|' -f1)" = "Добавить запись" ] && pass "it stays open for the next entry" ||
  fail "ARP entry dialog closed"
after=$(writes)
for pair in '999.1.1.1|02-00-00-00-30-30|Неверный IP-адрес: 999.1.1.1 — нужны четыре числа от 0 до 255 через точку.|1000' \
  '10.7.0|02-00-00-00-30-30|Неверный IP-адрес: 10.7.0 — нужны четыре числа от 0 до 255 через точку.|1000' \
  '10.77.0.30|02-00-00-0|Неверный MAC-адрес: 02-00-00-0 — не шесть байтов.|1011' \
  '224.0.0.22|02-00-00-00-30-30|Неверный IP-адрес: 224.0.0.22 — групповой адрес.|1000' \
  '10.77.0.31|00-00-00-00-00-00|Неверный MAC-адрес: 00-00-00-00-00-00 — нулевой адрес.|1011' \
  '10.77.0.31|01-00-5e-00-00-16|Неверный MAC-адрес: 01-00-5e-00-00-16 — групповой адрес.|1011'; do
  IFS='|' read -r pip pmac ptext pfocus <<<"$pair"
  set_edits "$pip" "$pmac"
  drive dlgpush address 1
  box=$(drive dlgbox address 30)
  drive dlganswer address
  focus=$(drive dlgfocus address)
  [ "$box" = "$caption|$ptext" ] && [ "$focus" = "$pfocus" ] && [ "$(writes)" = "$after" ] &&
    pass "ARP entry refused: $ptext" || fail "ARP entry $pip $pmac: box '$box', focus $focus, $(writes) writes"
done
set_edits 10.7.0 ''
drive dlgpush address 1014
[ "$(drive dlgbox address 2)" = none ] && pass "MAC request with 6 characters asks nothing" ||
  fail "short MAC request"
for button in 1014 1; do  # the probe and OK: one reading, one answer
  set_edits 10.77.5 02-00-00-00-30-30
  drive dlgpush address $button
  box=$(drive dlgbox address 10)
  drive dlganswer address
  sleep 0.5
  [ "$box" = "$caption|Неверный IP-адрес: 10.77.5 — нужны четыре числа от 0 до 255 через точку." ] &&
    [ "$(drive dlgfocus address)" = 1000 ] && pass "$button refuses 10.77.5: ${box#*|}" ||
    fail "$button on 10.77.5: box '$box'"
done
set_edits 10.77.0.5 ''
drive dlgpush address 1014
box=$(drive dlgbox address 30)
[ "$box" = "$caption|$no_mac" ] && pass "MAC request without an answer: ${box#*|}" ||
  fail "MAC request box: $box"
shot arp_entry_box box
drive dlganswer address
[ "$(dialog 2)" = "Добавить запись|10.77.0.5|" ] && pass "the MAC edit stays unchanged" ||
  fail "after MAC request: $(dialog 2)"
set_edits 10.77.0.30 02-00-00-00-30-30
shot arp_entry
drive dlgpush address 2
[ "$(drive dlggone address 30)" = 1 ] && pass "'Закрыть' closes the ARP entry dialog" || fail "still open"

# --- 3008: a sample whose MAC is a pattern never reaches the table
drive tab 1 >/dev/null
before=$(writes)
drive select samples 3
drive command 3008
box=$(drive waitbox 30)
drive answer ok >/dev/null
[ "${box#*|}" = "Ошибка добавления записи в ARP-кэш для 10.77.0.21: Неверный MAC-адрес: * — шаблон, а не адрес." ] &&
  [ "$(writes)" = "$before" ] && pass "3008 refuses the '*' sample: ${box#*|}" ||
  fail "3008 on '*': box '$box', $(writes) writes"

# --- IPv6. Wine 8 lists no IPv6 neighbours (GetIpNetTable2 answers 1) nor routes: gui_hook.dll
# points the program's imports at tables of 2001:db8:77::2 and fe80::1 (the router), fe80::3,
# ff02::1, and of a route to 2001:db8:77::/64 and a default route via fe80::1.
# The program starts with WatchIpv6=0 and reads nothing until the settings switch it on.
[ "$(drive plant6)" = planted ] || fail "the IPv6 neighbour table was not planted"
drive tab 4 >/dev/null
sleep 3
[ -z "$(drive rows neighbours6)" ] && pass "WatchIpv6=0: no IPv6 neighbour is read" || fail "read while off"
drive post 32774
drive dlgset settings 1021=1 1000=2
drive dlgpush settings 1
for _ in $(seq 140); do drive rows neighbours6 | grep -q '^fe80::3' && break; sleep 0.5; done
rows6=$(drive rows neighbours6)
echo "$rows6" | grep -q $'^2001:db8:77::2\t02-00-5e-00-00-02\t' && echo "$rows6" | grep -q $'^fe80::3\t02-00-5e-00-00-03\t' &&
  pass "the IPv6 tab lists the planted neighbours" || fail "IPv6 tab: $rows6"
shot ipv6_tab main
drive select neighbours6 "$(($(echo "$rows6" | grep -n '^fe80::3' | cut -d: -f1) - 1))"
drive command 3022
drive tab 1 >/dev/null
drive post 3004
set_edits 'FE80::77%3' 02:00:00:00:77:77 хост-v6
shot sample_add_ipv6
drive dlgpush address 1
set_edits ff02::1 02-00-00-00-77-78 группа
drive dlgpush address 1
box=$(drive dlgbox address 30)
drive dlganswer address
[ "$box" = "$caption|Неверный IPv6-адрес: ff02::1 — групповой адрес." ] && [ "$(drive dlgfocus address)" = 1000 ] &&
  pass "IPv6 refused: ${box#*|}" || fail "ff02::1: box '$box'"
drive dlgpush address 2
[ "$(drive rows samples6 | cut -f1-3)" = $'fe80::3\t02-00-5e-00-00-03\t\nfe80::77\t02-00-00-00-77-77\tхост-v6' ] &&
  pass "the IPv6 samples list holds the neighbour's row and the typed one, canonical" ||
  fail "IPv6 samples: $(drive rows samples6)"
shot samples_tab main
drive tab 3 >/dev/null
[ "$(drive rows routes6)" = $'::/0\tfe80::1\t2\t256\t1800\n2001:db8:77::/64\t\t2\t256\tбессрочно' ] &&
  drive lines | grep -qF 'Чужой маршрутизатор IPv6! fe80::1 02-00-5e-00-00-02 (маршрут по умолчанию, интерфейс 2)' &&
  pass "the route tab lists the IPv6 default route first; its router is told" ||
  fail "IPv6 routes: $(drive rows routes6); $(drive lines | grep IPv6)"
shot routes_ipv6 main
drive post 32774
drive dlgset settings 1021=0
drive dlgpush settings 1
[ "$(drive dlggone settings 30)" = 1 ] || fail "settings did not close"

# --- exit, then the file
drive foreground
sleep 0.5
DISPLAY=":$display" xdotool key alt+F4
for _ in $(seq 20); do [ "$(drive waitbox 1 | cut -d'|' -f2)" = "Выйти из программы?" ] && break; done
DISPLAY=":$display" xdotool key Return
gone=
for _ in $(seq 60); do
  [ -z "$(drive visible)" ] && { gone=1; break; }
  sleep 0.5
done
[ -n "$gone" ] && pass "program ended" || fail "program still running"
want=$(printf '%s\r\n' $'10.77.0.2\t02-00-00-00-02-02\tшлюз' $'10.77.0.3\t02-00-00-00-03-03\tсервер' \
  'мусорная  строка' $'10.77.0.23\t02-00-00-00-03-33\tизменён' $'10.77.0.21\t*\t' $'10.77.0.22\t02-00-00-00-00-22\tканон' \
  $'192.168.1.*\t*\tобразец' $'10.0.0.5\t*\tобразец' $'*\t00-1b-21-*\tобразец')
got=$(iconv -f cp1251 -t utf-8 "$work/samples.dat")
[ "$got" = "$want" ] && pass "samples.dat holds the edited and the added samples, the kept line" ||
  fail "samples.dat: $(od -c "$work/samples.dat" | head -12)"
want6=$(printf '%s\r\n' $'fe80::3\t02-00-5e-00-00-03\t' $'fe80::77\t02-00-00-00-77-77\tхост-v6')
[ "$(iconv -f cp1251 -t utf-8 "$work/samples6.dat")" = "$want6" ] && grep -q '^WatchIpv6=0' "$work/quorel.ini" &&
  pass "samples6.dat holds both IPv6 samples; quorel.ini WatchIpv6=0" ||
  fail "samples6.dat: $(od -c "$work/samples6.dat" | head -6); $(grep WatchIpv6 "$work/quorel.ini")"

echo "screenshots in $shots"
wine_lab_verdict gui_dialogs
