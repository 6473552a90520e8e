#!/usr/bin/env bash
# vetrel.exe end to end under Wine and Xvfb. A fresh prefix is booted inside a network
# namespace whose neighbour table this script plants, so Wine's IP Helper reads it: one
# binding matches a sample, one contradicts a sample, four are unknown. The program runs in
# a Wine virtual desktop (keys then reach its windows); gui_driver.exe reads and drives its
# controls. Relies on Wine's real GetIpNetTable and GetAdaptersInfo; its ARP writes are
# stubs, so nothing here expects the table to change.
# Argument: the mingw build directory. Needs root (ip netns).
set -uo pipefail
build=$(cd "${1:?usage: gui.sh MINGW_BUILD_DIR}" && pwd)
repo=$(cd "$(dirname "$0")/../.." && pwd)
. "$(dirname "$0")/../../scripts/wine/wine_lab.sh"
wine_lab_need gui.sh "$build/vetrel.exe" "$build/gui_driver.exe"

wine_lab_init gui

# Asked again (at most three times) when the driver could not run.
drive() { wine_drive 3 "$@"; }
shown() { [ "$(drive visible)" = "$1" ]; }

# --- the namespace: one veth end with an address, neighbours planted on it
plant_neighbours() {
  plant 10.77.0.2 02:00:00:00:02:02 10.77.0.3 02:00:00:00:03:99 10.77.0.4 02:00:00:00:04:04 \
    10.77.0.5 02:00:00:00:05:05 10.77.0.6 02:00:00:00:06:06 10.77.0.7 02:00:00:00:07:07
}
# --- a free display and a fresh prefix whose server starts inside the namespace
wine_lab_start 10.77.0.1/24 gui plant_neighbours || exit 1

# --- the scratch program directory: samples and an ini with every key in the written order
cp "$build/vetrel.exe" "$build/gui_driver.exe" "$work/"
printf '%s\r\n' $'10.77.0.2\t02-00-00-00-02-02\tшлюз' $'10.77.0.3\t02-00-00-00-03-03\tсервер' \
  $'10.77.0.9\t02-00-00-00-09-09\tпринтер' | iconv -f utf-8 -t cp1251 >"$work/samples.dat"
keys=(AddNew CheckMac Restore AddAddIp BlockNew ShowMsg WriteLog SaveStat RunOnStart HideOnRun
  ScanGetName ScanCheckMac CheckInt MaxScanThreads MsgToMail MailTo MailFrom MailServer MailPort
  MailLogin MailPassw SendMailInt MsgMask MailMask WndX WndY Wndcx Wndcy MsgX MsgY Msgcx Msgcy
  WatchIpv6)
values=(0 1 0 1 0 1 1 0 0 0 0 0 2 5 0 '' '' '' 25 '' '' 30 262 4 40 30 700 480 40 540 700 230 1)
{
  printf '[Vetrel]\r\n'
  for i in "${!keys[@]}"; do printf '%s=%s\r\n' "${keys[$i]}" "${values[$i]}"; done
} >"$work/quorel.ini"
check_int=2

# --- start
cd "$work" || exit 1
inns 600 wine explorer "/desktop=$desk,1280x900" vetrel.exe >/dev/null 2>&1 &
started=$(date +%s)
up=
for _ in $(seq 120); do
  if drive visible >/dev/null && [ "$(drive visible)" = 1 ]; then up=$(date +%s); break; fi
  sleep 0.5
done
[ -n "$up" ] || { fail "the main window did not appear within 60 s"; exit 1; }
pass "main window up after $((up - started)) s"
if DISPLAY=":$display" xdotool search --name '^ Vetrel 4.1.5$' >/dev/null; then
  pass "xdotool finds ' Vetrel 4.1.5'"
else
  fail "xdotool does not find the window title"
fi

tabs=$(drive tabs)
expected_tabs=$'ARP-кэш\nОбразцы\nОпрос\nМаршруты\nIPv6\nselected 0'
[ "$tabs" = "$expected_tabs" ] && pass "five tabs" || fail "tabs: $tabs"

status=$(drive status)
echo "$status" | sed -n 1p | grep -Eq '^Кэш: [0-9]+( \*)?$' && pass "status part 0: $(echo "$status" | sed -n 1p)" ||
  fail "status part 0: $status"
[ "$(echo "$status" | sed -n 2p)" = "Образцы: 3" ] && pass "status part 1: Образцы: 3" ||
  fail "status part 1: $status"

# --- the spoofed binding reaches the log within CheckInt + 2 seconds
log() { iconv -f cp1251 -t utf-8 "$work/quorel.log" 2>/dev/null | tr -d '\r'; }
spoof='Подмена адреса! 10.77.0.3 02-00-00-00-03-99 (10.77.0.3 02-00-00-00-03-03)'
found=
for _ in $(seq $(((check_int + 2) * 10))); do
  log | grep -qF "$spoof" && { found=1; break; }
  sleep 0.1
done
[ -n "$found" ] && pass "spoofing logged within $((check_int + 2)) s of the window" ||
  fail "no spoofing line in the log: $(log | tail -5)"
log | grep -qF 'Новый IP-адрес! 10.77.0.4 02-00-00-00-04-04' && pass "new address logged" ||
  fail "no new-address line"
# Wine 8 lists no IPv6 neighbours and no IPv6 routes: the IPv6 watch stays silent.
log | grep -q 'IPv6' && fail "an IPv6 line under Wine: $(log | grep IPv6)" || pass "no IPv6 line under Wine"

arp=$(drive rows arp)
echo "$arp" | grep -q $'^10.77.0.3\t02-00-00-00-03-99\tс' && pass "ARP list shows the planted rows" ||
  fail "ARP list: $arp"
echo "$arp" | grep -q $'^10.77.0.2\t02-00-00-00-02-02\tс\tшлюз' && pass "matched row carries the sample's name" ||
  fail "ARP list lacks the named row: $arp"

# --- screenshots of each tab, cut to the main window
mkdir -p "$shots"
names=(arp samples scan routes)
for i in 0 1 2 3; do
  drive tab "$i" >/dev/null
  sleep 1
  DISPLAY=":$display" import -window root -crop 700x480+40+30 +repage "$shots/${names[$i]}.png"
  colours=$(convert "$shots/${names[$i]}.png" -format '%k' info: 2>/dev/null)
  [ "${colours:-0}" -gt 8 ] && pass "screenshot ${names[$i]}.png ($colours colours)" ||
    fail "screenshot ${names[$i]}.png looks blank"
done
DISPLAY=":$display" import -window root -crop 700x230+40+540 +repage "$shots/messages.png"
# Row text of the ARP list is light grey (220, 220, 220) on black.
grey=$(convert "$shots/arp.png" -fill black +opaque 'rgb(220,220,220)' -fill white -opaque 'rgb(220,220,220)' \
  -format '%[fx:int(mean*w*h)]' info: 2>/dev/null)
[ "${grey:-0}" -gt 100 ] && pass "ARP screenshot shows rows ($grey text pixels)" ||
  fail "ARP screenshot shows no rows"

# --- tab switch
drive tab 1 >/dev/null
[ "$(drive visible samples)$(drive visible arp)" = 10 ] && pass "tab switch shows the samples list" ||
  fail "tab switch"

# --- ARP rows to samples: four unknown addresses join, a known one is refused
rowof() { echo "$arp" | grep -n "^$1"$'\t' | cut -d: -f1 | head -1; }
sel=()
for ip in 10.77.0.4 10.77.0.5 10.77.0.6 10.77.0.7; do sel+=($(($(rowof $ip) - 1))); done
drive select arp "${sel[@]}"
drive command 3009
[ "$(drive rows samples | wc -l)" -eq 7 ] && pass "add to samples: 7 samples" || fail "add to samples: $(drive rows samples)"
drive select arp $(($(rowof 10.77.0.2) - 1))
drive post 3009
box=$(drive waitbox 30)
[ "$box" = "$(printf 'Vetrel%39s' '')|Адрес 10.77.0.2 уже есть." ] && pass "duplicate refused: ${box#*|}" ||
  fail "duplicate box: $box"
drive answer ok

# --- delete selected samples 1, 2 and 4
before=$(drive rows samples | cut -f1)
drive select samples 1 2 4
drive command 3006
after=$(drive rows samples | cut -f1)
want=$(echo "$before" | sed -n '1p;4p;6p;7p')
[ "$after" = "$want" ] && pass "delete selected 1, 2, 4" || fail "delete selected: $after (wanted $want)"
[ "$(drive status | sed -n 2p)" = "Образцы: 4" ] && pass "status shows 4 samples" || fail "status after delete"
file=$(iconv -f cp1251 -t utf-8 "$work/samples.dat" | tr -d '\r' | cut -f1)
[ "$file" = "$want" ] && pass "samples.dat holds the 4 left" || fail "samples.dat: $file"

# --- up and down
order() { drive rows samples | cut -f1 | paste -sd' '; }
read -ra o <<<"$(order)"
drive select samples 2
drive command 3020
[ "$(drive rows samples | sed -n 2p | cut -f1,4)" = "${o[2]}"$'\t*' ] && pass "up moves the row and its selection" ||
  fail "up: $(drive rows samples)"
drive command 3021
[ "$(order)" = "${o[*]}" ] && [ "$(drive rows samples | sed -n 3p | cut -f4)" = '*' ] && pass "down moves it back" ||
  fail "down: $(drive rows samples)"
drive select samples 0
drive command 3020
[ "$(order)" = "${o[*]}" ] && [ "$(drive rows samples | sed -n 1p | cut -f4)" = '*' ] &&
  pass "up on the first row changes nothing and keeps it selected" || fail "up on first: $(drive rows samples)"

# --- copy list: CF_TEXT holds Windows-1251 bytes, one row per CR LF line
drive command 3012
drive clipboard 'Z:'"$(echo "$work" | tr / '\\')"'\clip.txt' >"$work/clip-unicode.txt"
expected=$(drive rows samples | cut -f1-3 | sed 's/$/\r/')
got=$(iconv -f cp1251 -t utf-8 "$work/clip.txt")
[ "$got" = "$expected" ] && [ -n "$got" ] && pass "copy list: $(echo "$got" | wc -l) lines in Windows-1251" ||
  fail "clipboard: $(od -c "$work/clip.txt" | head -3)"
iconv -f cp1251 -t utf-8 "$work/clip.txt" | grep -q 'шлюз' && pass "clipboard keeps Cyrillic names" ||
  fail "clipboard lost the Cyrillic name"

# --- sort mark moves between columns
drive column samples 1
[ "$(drive sortmark samples)" = "1 " ] && pass "sort mark on samples column 1" || fail "sortmark: $(drive sortmark samples)"
macs=$(drive rows samples | cut -f2)
[ "$macs" = "$(echo "$macs" | LC_ALL=C sort)" ] && pass "samples sorted by MAC" || fail "not sorted: $macs"
drive column samples 0
[ "$(drive sortmark samples)" = "0 " ] && pass "sort mark moved to column 0" || fail "sortmark: $(drive sortmark samples)"
drive tab 0 >/dev/null
drive column arp 2
[ "$(drive sortmark arp)" = "2 " ] && pass "sort mark on the ARP type column" || fail "arp sortmark"

# --- questions answered No change nothing
drive post 3003
box=$(drive waitbox 30)
[ "${box#*|}" = "Удалить все записи из ARP-кэша?" ] && pass "delete all asks" || fail "delete all box: $box"
drive answer no
drive tab 3 >/dev/null
drive select routes 0
drive post 3017
box=$(drive waitbox 30)
[ "${box%%|*}" = "Внимание!" ] && pass "route delete asks under 'Внимание!'" || fail "route delete box: $box"
drive answer no
drive post 104
box=$(drive waitbox 30)
# The version of CMakeLists.txt and, from a checkout, the commit; no placeholder address.
about="Vetrel $(sed -n 's/^project(vetrel VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")"
commit=$(git -C "$repo" rev-parse --short=12 HEAD 2>/dev/null) && about+=" (git $commit)"
[ "${box%%|*}" = "О программе" ] && echo "${box#*|}" | grep -qxF "$about" &&
  ! echo "$box" | grep -q 'https://' && pass "about box: $about" || fail "about box: $box"
drive answer ok

# --- ARP writes: Wine answers them with success and changes nothing, so the rows stay and
# no error box appears; what is checked is that the commands run through to their check.
drive tab 0 >/dev/null
rows_before=$(drive rows arp | cut -f1 | sort)
drive select arp 0
drive command 3002
drive post 3003
[ "$(drive waitbox 30 | cut -d'|' -f2)" = "Удалить все записи из ARP-кэша?" ] && drive answer yes
[ "$(drive waitbox 1)" = none ] && [ "$(drive rows arp | cut -f1 | sort)" = "$rows_before" ] &&
  pass "delete selected and delete all run without a box (Wine keeps the rows)" || fail "ARP delete"
drive tab 1 >/dev/null
drive select samples 0 1
drive command 3008
[ "$(drive waitbox 2)" = none ] && pass "add to cache reports no error" || fail "add to cache box"
drive command 32771
[ "$(inns 30 wine "$work/gui_driver.exe" "$desk" visible 2>/dev/null | tr -d '\r')" = 1 ] || fail "driver"

# --- Escape hides; the tray's single click does nothing, its double click shows
drive tab 0 >/dev/null
drive escape
wine_until 30 shown 0 && pass "Escape hides the window" || fail "Escape did not hide"
drive tray 513
sleep 1
[ "$(drive visible)" = 0 ] && pass "single click on the tray icon does nothing" || fail "single click showed it"
drive tray 515
wine_until 30 shown 1 && pass "double click on the tray icon shows the window" || fail "double click"

# --- close: Alt+F4, then Return answers Yes
drive foreground
sleep 0.5
DISPLAY=":$display" xdotool key alt+F4
box=$(drive waitbox 30)
[ "${box#*|}" = "Выйти из программы?" ] && pass "close asks" || fail "close box: $box"
DISPLAY=":$display" xdotool key Return
gone=
for _ in $(seq 60); do
  drive visible >/dev/null 2>&1 || { gone=1; break; }
  sleep 0.5
done
[ -n "$gone" ] && pass "program ended" || fail "program still running after Yes"
sleep 1

# --- the files it left
written=$(tr -d '\r' <"$work/quorel.ini" | sed -n 's/=.*//p' | paste -sd' ')
[ "$written" = "${keys[*]}" ] && pass "quorel.ini: every key in the written order" ||
  fail "quorel.ini keys: $written"
grep -q '^Wndcx=700' <(tr -d '\r' <"$work/quorel.ini") && pass "window width saved" || fail "window size"
order_ok=1
last=0
for line in 'Начало записи в лог-файл.' 'Запуск программы.' 'Адаптер: ' 'Выход из программы.' 'Конец записи в лог-файл.'; do
  n=$(log | grep -nF "$line" | head -1 | cut -d: -f1)
  [ -n "$n" ] && [ "$n" -gt "$last" ] || order_ok=
  last=${n:-0}
done
[ -n "$order_ok" ] && pass "log: start, adapter, exit and end lines in order" || fail "log order: $(log)"
log | grep -qE '^[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} Запуск программы\.$' &&
  pass "log line form" || fail "log line form"

# --- HideOnRun: only the tray icon at start; its double click shows the window
sed -i 's/^HideOnRun=0/HideOnRun=1/' "$work/quorel.ini"
inns 600 wine explorer "/desktop=$desk,1280x900" vetrel.exe >/dev/null 2>&1 &
found=
for _ in $(seq 60); do drive visible >/dev/null && { found=1; break; }; sleep 0.5; done
sleep 3
[ -n "$found" ] && [ "$(drive visible)" = 0 ] && pass "HideOnRun starts hidden" || fail "HideOnRun: not hidden"
drive tray 515
wine_until 30 shown 1 && pass "tray double click shows the hidden start" || fail "HideOnRun: not shown"
# One program per folder: hidden again, a second start there ends at once and brings the
# first forward; a copy in another folder runs beside it.
drive postraw main 274 61472 0  # WM_SYSCOMMAND SC_MINIMIZE: to the tray
sleep 1
starts=$(grep -c 'Запуск программы' <(log))
(cd "$work" && inns 30 wine vetrel.exe >/dev/null 2>&1)
rc=$?
sleep 1
[ "$rc" -eq 0 ] && [ "$(drive visible)" = 1 ] && [ "$(drive isforeground)" = 1 ] &&
  [ "$(drive mains)" = 1 ] && [ "$(grep -c 'Запуск программы' <(log))" -eq "$starts" ] &&
  pass "a second start in the folder exits and brings the first forward" ||
  fail "second start: rc $rc, visible $(drive visible), foreground $(drive isforeground), $(drive mains) windows"
# The log can be deleted while the program runs; the next lines start a new file.
drive post 40001
[ "$(drive waitbox 30 | cut -d'|' -f2)" = "Удалить лог-файл?" ] && drive answer yes
# It is opened again at once, empty.
! log | grep -q 'Запуск программы' && pass "log file deleted and opened anew" || fail "log file kept"
drive foreground
sleep 0.5
DISPLAY=":$display" xdotool key alt+F4
[ "$(drive waitbox 30 | cut -d'|' -f2)" = "Выйти из программы?" ] && DISPLAY=":$display" xdotool key Return
for _ in $(seq 60); do drive visible >/dev/null 2>&1 || break; sleep 0.5; done
drive visible >/dev/null 2>&1 && fail "second run still running"
log | grep -q 'Выход из программы' && ! log | grep -q 'Запуск программы' &&
  pass "the reopened log holds the exit line only" || fail "log after deletion: $(log)"

# --- copies in two folders run side by side (the prefix's end stops them)
# The second folder's name is Cyrillic, which Wine's ANSI code page (1252 here) cannot hold.
other=$work/другая
mkdir -p "$other" && cp "$build/vetrel.exe" "$work/quorel.ini" "$other/"
for dir in "$work" "$other"; do
  (cd "$dir" && inns 120 wine explorer "/desktop=$desk,1280x900" vetrel.exe >/dev/null 2>&1 &)
done
for _ in $(seq 60); do [ "$(drive mains 2>/dev/null)" = 2 ] && break; sleep 0.5; done
[ "$(drive mains)" = 2 ] && pass "copies in two folders run side by side" || fail "two folders: $(drive mains) windows"
[ -e "$other/quorel.log" ] && pass "the copy in the Cyrillic folder keeps its log there" ||
  fail "no log in $other: $(ls "$other")"

echo "screenshots in $shots"
wine_lab_verdict gui
