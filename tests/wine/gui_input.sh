#!/usr/bin/env bash
# vetrel.exe reads what a user or an older version planted: samples with a MAC written with
# colons, dotted, and without a MAC (IP TAB TAB name), a sample with an all-zero MAC, and a
# statics.dat of all-zero, multicast and twin lines; the namespace's neighbours are the
# hosts those samples name, a permanent all-zero one, and one host on two links (a twin row).
# With Restore=1 and SaveStat=1: no spoofing line, no ARP write (Wine's SetIpNetEntry says
# so on its fixme channel), the zero sample told once, samples.dat byte for byte after exit,
# and statics.dat at exit without a zero row or the same line twice.
# Argument: the mingw build directory. Needs root (ip netns).
set -uo pipefail
build=$(cd "${1:?usage: gui_input.sh MINGW_BUILD_DIR}" && pwd)
. "$(dirname "$0")/../../scripts/wine/wine_lab.sh"
wine_lab_need gui_input.sh "$build/vetrel.exe" "$build/gui_driver.exe"

wine_lab_init guiin

drive() { wine_drive 3 "$@"; }
log() { iconv -f cp1251 -t utf-8 "$work/quorel.log" 2>/dev/null | tr -d '\r'; }

# A second link holds one of the hosts again: the table then has a twin static row.
neighbours() {
  ip -n "$ns" link add w0 type veth peer name w1
  ip -n "$ns" addr add 10.81.0.1/24 dev w0
  ip -n "$ns" link set w0 up
  ip -n "$ns" link set w1 up
  plant 10.79.0.2 02:00:00:00:00:77 10.79.0.3 02:00:00:00:00:88 10.79.0.4 02:00:00:00:00:33 \
    10.79.0.7 02:00:00:00:00:07 10.79.0.9 00:00:00:00:00:00
  ip -n "$ns" neigh replace 10.79.0.2 lladdr 02:00:00:00:00:77 dev w0 nud permanent
}
wine_lab_start 10.79.0.1/24 gui-input neighbours || exit 1

cp "$build/vetrel.exe" "$build/gui_driver.exe" "$work/"
printf '%s\r\n' $'10.79.0.2\t02:00:00:00:00:77\tcolon' $'10.79.0.3\t0200.0000.0088\tdotted' \
  $'10.79.0.4\t\tepsilon.lab' $'10.79.0.7\t00-00-00-00-00-00\tzero' >"$work/samples.dat"
cp "$work/samples.dat" "$work/samples.planted"
printf '%s\r\n' $'10.79.0.9\t00-00-00-00-00-00' $'224.0.0.22\t00-00-00-00-00-00' \
  $'239.255.255.250\t01-00-5E-7F-FF-FA' $'10.79.0.9\t00-00-00-00-00-00' >"$work/statics.dat"
printf '%s\r\n' '[Vetrel]' AddNew=0 CheckMac=1 Restore=1 SaveStat=1 WriteLog=1 ShowMsg=0 \
  CheckInt=2 >"$work/quorel.ini"

cd "$work" || exit 1
wine_lab_show_vetrel || { fail "the main window did not appear within 60 s"; exit 1; }
# Three checks at CheckInt=2, counted from the first that lists the hosts.
twin_listed() { [ "$(drive rows arp | grep -c $'^10.79.0.2\t')" = 2 ]; }
wine_until 60 twin_listed
sleep 6
arp=$(drive rows arp)
echo "$arp" | grep -q $'^10.79.0.2\t02-00-00-00-00-77\t' && echo "$arp" | grep -q $'^10.79.0.4\t' &&
  pass "the ARP list shows the planted hosts" || fail "ARP list: $arp"
[ "$(echo "$arp" | grep -c $'^10.79.0.2\t')" = 2 ] && pass "one host on two links: a twin row" ||
  fail "no twin row: $arp"
echo "$arp" | grep -q $'^10.79.0.2\t02-00-00-00-00-77\tс\tcolon' &&
  echo "$arp" | grep -q $'^10.79.0.3\t02-00-00-00-00-88\tс\tdotted' &&
  pass "colon and dotted samples match their hosts (their names shown)" || fail "names: $arp"

log | grep -q 'Подмена адреса!' && fail "spoofing lines: $(log | grep 'Подмена')" ||
  pass "no spoofing line for samples in other forms, without a MAC or with a zero MAC"
told=$(log | grep -c 'Недопустимый MAC-адрес в образце: 10.79.0.7 00-00-00-00-00-00 (нулевой адрес)')
[ "$told" = 1 ] && pass "the zero sample is told once as a program error" ||
  fail "zero sample told $told times: $(log | tail -5)"
log | grep -q 'Ошибка добавления записи в ARP-кэш для 10.79.0.9: Неверный MAC-адрес' &&
  log | grep -q 'для 224.0.0.22: Неверный IP-адрес' &&
  pass "statics.dat's garbage lines are told, not applied" || fail "statics lines: $(log | grep ARP-кэш)"
writes=$(grep -c 'SetIpNetEntry' "$work/wine.err")
[ "$writes" = 0 ] && pass "no ARP write at start or in the checks" ||
  fail "$writes ARP writes: $(grep SetIpNetEntry "$work/wine.err" | head -3)"

[ "$(drive endsession)" = 1 ] || fail "log-off not answered yes"
for _ in $(seq 40); do [ -z "$(drive visible 2>/dev/null)" ] && break; sleep 0.5; done
cmp -s "$work/samples.dat" "$work/samples.planted" && pass "samples.dat byte for byte after exit" ||
  fail "samples.dat: $(od -c "$work/samples.dat" | head -8)"
statics=$(tr -d '\r' <"$work/statics.dat")
echo "statics.dat at exit: $(echo "$statics" | paste -sd' ')"
echo "$statics" | grep -q '00-00-00-00-00-00' && fail "a zero static entry was saved" ||
  pass "no zero static entry saved"
[ -z "$(echo "$statics" | sort | uniq -d)" ] && pass "no line twice in statics.dat" ||
  fail "twin lines: $(echo "$statics" | sort | uniq -d)"
echo "$statics" | grep -qx $'10.79.0.2\t02-00-00-00-00-77' && pass "the real static rows are saved" ||
  fail "statics.dat lacks 10.79.0.2"

wine_lab_verdict gui_input
