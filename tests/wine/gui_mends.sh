#!/usr/bin/env bash
# vetrel.exe at its edges under Wine and Xvfb: a saved size equal to the template's, stray
# messages from another process (WM_APP+1 with a pointer that is not ours, a bare NMHDR),
# shrinking and maximising both windows, the message window's OK button after a resize, a
# mail error line handed from the mail thread, log-off through wineboot, and a start from a
# directory whose path is 260 characters or more. The bare NMHDR comes from inside the
# program through gui_hook.dll (Wine does not carry WM_NOTIFY between processes, and swallows
# the fault of a read past it, which the hook reports). Relies on Wine's real GetAdaptersInfo
# and window manager; the namespace has one veth end and no neighbours. Window positions are
# saved in screen coordinates; Wine's virtual desktop keeps its taskbar at the bottom, where
# workspace and screen coordinates agree, so only their round trip shows here.
# Arguments: the mingw build directory [and another vetrel.exe to run instead of its own].
# Needs root (ip netns).
set -uo pipefail
build=$(cd "${1:?usage: gui_mends.sh MINGW_BUILD_DIR [VETREL_EXE]}" && pwd)
exe=${2:-$build/vetrel.exe}
. "$(dirname "$0")/../../scripts/wine/wine_lab.sh"
wine_lab_need gui_mends.sh "$exe" "$build/gui_driver.exe" "$build/gui_hook.dll"

wine_lab_init mends

drive() { inns 15 wine "$work/gui_driver.exe" "$desk" "$@" 2>/dev/null | tr -d '\r'; }
field() { echo "$1" | cut -d' ' -f"$2"; }
log() { iconv -f cp1251 -t utf-8 "$dir/quorel.log" 2>/dev/null | tr -d '\r'; }

wine_lab_start 10.78.0.1/24 gui-mends || exit 1
cp "$build/gui_driver.exe" "$build/gui_hook.dll" "$work/"

# start DIR: runs vetrel.exe from DIR in the virtual desktop; waits for its window.
start() {
  dir=$1
  (cd "$dir" && inns 600 wine explorer "/desktop=$desk,1280x900" vetrel.exe >/dev/null 2>&1) &
  for _ in $(seq 120); do
    [ "$(drive visible)" = 1 ] && return 0
    sleep 0.5
  done
  return 1
}
# ended: waits (bounded) until the main window is gone.
ended() {
  for _ in $(seq 40); do
    inns 30 wine "$work/gui_driver.exe" "$desk" visible >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  return 1
}

# --- the main run: a saved size equal to the template's, mail to a closed port
dir=$work/run
mkdir -p "$dir"
cp "$exe" "$dir/vetrel.exe"
{
  printf '[Vetrel]\r\nWriteLog=1\r\nCheckInt=3600\r\nShowMsg=1\r\nMsgToMail=1\r\nMailMask=1\r\n'
  printf 'SendMailInt=1\r\nMailServer=127.0.0.1\r\nMailPort=9\r\nMailTo=to@x\r\nMailFrom=f@x\r\n'
  printf 'WndX=60\r\nWndY=40\r\nWndcx=642\r\nWndcy=420\r\nMsgX=700\r\nMsgY=500\r\nMsgcx=500\r\nMsgcy=300\r\n'
  # Hand-edited values the dialog refuses: each used bounded, told once, kept in the file.
  printf 'MaxScanThreads=99\r\nAddNew=1\r\nBlockNew=1\r\nMailLogin=%s\r\n' "$(printf 'l%.0s' $(seq 40))"
} >"$dir/quorel.ini"
start "$dir" || { fail "the main window did not appear"; exit 1; }
pass "main window up"
# The start-up's program-error lines (the bad values below) pop the message window up; it
# stays in front of the main window shown after them.
sleep 1
[ "$(drive above messages)" = 1 ] && pass "the message window popped up at start is in front" ||
  fail "message window at start: above=$(drive above messages), $(drive rect messages)"

main=$(drive rect main)
tabs=$(drive rect tabs)
arp=$(drive rect arp)
echo "main $main / tabs $tabs / arp list $arp"
[ "$(field "$main" 3)" -eq 702 ] && [ "$(field "$main" 4)" -eq 460 ] ||
  echo "note: the main window is not 642 x 420 at 60,40: $main"
[ "$(field "$tabs" 5)" -gt 100 ] && [ "$(field "$tabs" 6)" -gt 100 ] &&
  [ "$(field "$arp" 5)" -gt 100 ] && pass "tabs and list laid out at the template's size" ||
  fail "tabs or list not laid out: tabs $tabs, list $arp"

# The mail thread's error line (port 9 is closed) reaches the message window through the queue.
line=
for _ in $(seq 20); do
  line=$(drive lines | grep -F 'Ошибка посылки почтового сообщения: 3:' | head -1)
  [ -n "$line" ] && break
  sleep 0.5
done
[ -n "$line" ] && pass "the mail thread's line reached the window: ${line:0:60}" ||
  fail "no mail error line in the message window: $(drive lines | tail -3)"

# --- sizes: shrinking is limited; the OK button shows after a resize; maximised on screen
drive place main 100 100 100 60
small=$(drive rect main)
w=$(($(field "$small" 3) - $(field "$small" 1)))
h=$(($(field "$small" 4) - $(field "$small" 2)))
[ "$w" -ge 420 ] && [ "$h" -ge 260 ] && pass "main window kept at least 420 x 260 (${w} x ${h})" ||
  fail "main window shrank to ${w} x ${h}"
drive command 32771
sleep 0.5
drive place messages 100 500 60 40
small=$(drive rect messages)
w=$(($(field "$small" 3) - $(field "$small" 1)))
h=$(($(field "$small" 4) - $(field "$small" 2)))
[ "$w" -ge 260 ] && [ "$h" -ge 140 ] && pass "message window kept at least 260 x 140 (${w} x ${h})" ||
  fail "message window shrank to ${w} x ${h}"
mkdir -p "$shots"
drive place messages 700 500 520 300
sleep 0.3
drive place messages 700 500 540 320
sleep 1.5
ok=$(drive rect ok)
DISPLAY=":$display" import -window root "$shots/mends_messages.png"
bw=$(($(field "$ok" 3) - $(field "$ok" 1)))
bh=$(($(field "$ok" 4) - $(field "$ok" 2)))
DISPLAY=":$display" import -window root -crop "${bw}x${bh}+$(field "$ok" 1)+$(field "$ok" 2)" +repage \
  "$shots/mends_ok_button.png"
# The button's frame and text; the bare dialog face there has almost none of either.
dark=$(convert "$shots/mends_ok_button.png" -colorspace gray -threshold 75% -negate \
  -format '%[fx:int(mean*w*h)]' info: 2>/dev/null)
colours=$(convert "$shots/mends_ok_button.png" -format '%k' info: 2>/dev/null)
[ "${dark:-0}" -gt 150 ] && [ "${colours:-0}" -gt 12 ] &&
  pass "OK button drawn after the resize ($dark frame and text pixels, $colours colours)" ||
  fail "OK button not drawn after the resize ($dark frame and text pixels, $colours colours at $ok)"

drive show main max
sleep 1.5
big=$(drive rect main)
work_area=$(drive workarea)
echo "maximised: $big, work area $work_area"
DISPLAY=":$display" import -window root "$shots/mends_maximised.png"
top=$(field "$big" 2)
left=$(field "$big" 1)
right=$(field "$big" 3)
bottom=$(field "$big" 4)
border=$((-left))
[ "$border" -ge 0 ] && [ "$border" -le 12 ] && [ "$top" -eq "$left" ] &&
  [ "$right" -eq $(($(field "$work_area" 3) + border)) ] &&
  [ "$bottom" -eq $(($(field "$work_area" 4) + border)) ] &&
  pass "maximised: only the border outside the work area ($big)" ||
  fail "maximised placement: $big in work area $work_area"
# The status bar moved with the window and shows its texts ("Кэш: 0" in part 0).
bar=$(drive rect status)
DISPLAY=":$display" import -window root -crop "100x$(($(field "$bar" 4) - $(field "$bar" 2)))+$(field "$bar" 1)+$(field "$bar" 2)" \
  +repage "$shots/mends_status_maximised.png"
text=$(convert "$shots/mends_status_maximised.png" -colorspace gray -threshold 50% -negate \
  -format '%[fx:int(mean*w*h)]' info: 2>/dev/null)
[ "${text:-0}" -gt 30 ] && pass "maximised: the status bar shows its text ($text text pixels)" ||
  fail "maximised: the status bar shows no text ($text text pixels at $bar)"
drive show main restore
sleep 1
restored=$(drive rect main)
[ "$(field "$restored" 3)" -gt "$(field "$restored" 1)" ] || fail "restore: $restored"

# --- log-off: the question is answered yes, and the shut-down runs without a question
drive place main 60 40 642 420
sleep 0.5
answer=$(drive endsession)
[ "$answer" = 1 ] && pass "log-off answered yes" || fail "log-off answered '$answer'"
ended && pass "the program ended at log-off" || fail "still running after the log-off"
log | grep -q 'Выход из программы\.$' && log | grep -q 'Конец записи в лог-файл\.$' &&
  pass "log-off journalled the exit lines" || fail "exit lines missing: $(log | tail -3)"
tr -d '\r' <"$dir/quorel.ini" | grep -qx 'Wndcx=642' && tr -d '\r' <"$dir/quorel.ini" | grep -qx 'WndX=60' &&
  pass "log-off saved the settings and the window position" ||
  fail "settings after log-off: $(tr -d '\r' <"$dir/quorel.ini" | grep Wnd | paste -sd' ')"

bounds=$(log | grep -cE 'Параметр CheckInt=3600 в quorel.ini вне пределов 2-60; используется CheckInt=60\.$|Параметр MaxScanThreads=99 в quorel.ini вне пределов 1-16; используется MaxScanThreads=16\.$|Параметры AddNew=1 и BlockNew=1 в quorel.ini нельзя включать одновременно; используется BlockNew=0|Параметр MailLogin=l{40} в quorel.ini длиннее 31 символа; используется MailLogin=\.$')
kept=$(iconv -f cp1251 -t utf-8 "$dir/quorel.ini" | tr -d '\r' | grep -cxE 'CheckInt=3600|MaxScanThreads=99|BlockNew=1|MailLogin=l{40}')
[ "$bounds" = 4 ] && [ "$kept" = 4 ] && pass "bad ini values: four lines at start, the file keeps them" ||
  fail "ini bounds: $bounds lines, $kept kept: $(log | grep -F Парамет)"

# --- a directory whose path is 260 characters or more: no settings, default positions.
# Wine's explorer does not start it from there; wine does, on the default desktop.
long=$work/$(printf 'd%.0s' $(seq 120))/$(printf 'e%.0s' $(seq 120))
mkdir -p "$long"
cp "$exe" "$long/vetrel.exe"
desk=Default
(cd "$work" && inns 300 wine "Z:$(echo "$long" | tr / '\\')\\vetrel.exe" >/dev/null 2>&1) &
up=
for _ in $(seq 60); do
  [ "$(drive visible)" = 1 ] && { up=1; break; }
  sleep 0.5
done
if [ -n "$up" ]; then
  at=$(drive rect main)
  x=$(field "$at" 1)
  y=$(field "$at" 2)
  [ "$x" -eq $(((1280 - 550) / 2)) ] && [ "$y" -eq $(((900 - 420) / 2)) ] &&
    pass "long path: the main window at the default centre ($x, $y)" ||
    fail "long path: the main window at $x, $y"
  # A bare NMHDR from a list (NM_SETFOCUS, -7) at the very end of a page of memory, sent
  # from inside the program by the driver's hook.
  arp_notify=$(drive barenotify 2002 -7)
  sample_notify=$(drive barenotify 2003 -7)
  [ "$arp_notify $sample_notify" = "returned returned" ] && pass "a bare NMHDR from the lists is read as one" ||
    fail "a bare NMHDR was read past its end (ARP list: $arp_notify, samples: $sample_notify)"

  # WM_APP+1 posted by another process with a pointer of its own.
  drive postraw 0x8001 0 0x123456789
  drive postraw 0x8001 0 0
  sleep 1
  if [ "$(drive ping)" = 1 ]; then
    pass "a foreign WM_APP+1 does no harm"
  else
    fail "the program died on a foreign WM_APP+1"
  fi
  # The scan page's worker message (WM_USER+100) from another process, posted and sent,
  # with a number that is no worker's slot (it once was a pointer).
  drive postraw scan 0x464 0x123456789 0
  drive scan send 0x464 0x123456789 0
  drive scan send 0x464 16 0
  sleep 1
  if [ "$(drive ping)" = 1 ]; then
    pass "a foreign scan-page message does no harm"
  else
    fail "the program died on a foreign scan-page message"
  fi
  [ "$(drive endsession)" = 1 ] && ended || fail "long path: the program did not end"
  [ -e "$long/quorel.ini" ] && fail "long path: a settings file was written"
else
  fail "long path: the program did not start from a path of $((${#long} + 11)) characters"
fi

echo "screenshots in $shots"
wine_lab_verdict gui_mends
