#!/usr/bin/env bash
# The installable forms as an administrator meets them (root): the Debian package built,
# linted, installed, run (version, settings, the locale's charset, manual page, completion,
# the unit checked by systemd-analyze) and removed; the Windows zip built and listed.
# Usage: package_test.sh  (builds what it needs; scripts/test-all.sh runs it)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ "$(id -u)" -eq 0 ] || { echo "package test: needs root (dpkg -i)"; exit 1; }
work=$(mktemp -d /tmp/vetrel-package.XXXXXX)
installed=0
cleanup() {
  [ "$installed" -eq 1 ] && dpkg -P vetrel >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then echo "  ok: $what"; else echo "  FAIL: $what"; failures=$((failures + 1)); fi
}
version=$(sed -n 's/^project(vetrel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
commit=$(git -C "$root" rev-parse --short=12 HEAD 2>/dev/null || true)
utf8() { printf '%s' "$1"; }
cp1251() { printf '%s' "$1" | iconv -f utf-8 -t cp1251; }

echo "== the Debian package"
t0=$(date +%s)
timeout 900 bash "$root/scripts/package.sh" deb >/dev/null || { echo "  FAIL: package.sh deb"; exit 1; }
deb=$root/build/vetrel_${version}_amd64.deb
echo "  (built in $(($(date +%s) - t0)) s)"
command -v lintian >/dev/null || bash "$root/scripts/setup-deps.sh" >/dev/null
check "lintian reports no error" bash -c "lintian --fail-on error '$deb' >'$work/lintian' 2>&1 || { cat '$work/lintian'; exit 1; }"
check "depends on the libraries linked, recommends ieee-data" bash -c \
  "dpkg-deb -f '$deb' Depends | grep -q libmnl0 && dpkg-deb -f '$deb' Depends | grep -q libsodium && test \"\$(dpkg-deb -f '$deb' Recommends)\" = ieee-data"
check "the description says the unit is not enabled" bash -c "dpkg-deb -f '$deb' Description | grep -q 'neither enabled nor started'"

dpkg -i "$deb" >"$work/dpkg" 2>&1 || DEBIAN_FRONTEND=noninteractive apt-get -f install -y -qq >>"$work/dpkg" 2>&1
installed=1
check "dpkg -i installs it" bash -c "dpkg-query -W -f='\${Status}' vetrel | grep -q 'install ok installed'"
check "the files are where an administrator looks" bash -c \
  "test -x /usr/bin/vetrel && test -f /lib/systemd/system/vetrel.service && test -f /usr/share/man/man1/vetrel.1.gz &&
   test -f /usr/share/bash-completion/completions/vetrel && test -f /usr/share/doc/vetrel/copyright &&
   test -f /usr/share/doc/vetrel/examples/vetrel-syslog.conf"
want="vetrel $version${commit:+ (git $commit)}"
check "vetrel --version says '$want'" bash -c "test \"\$(/usr/bin/vetrel --version)\" = '$want' && test \"\$(/usr/bin/vetrel version)\" = '$want'"
check "the unit is neither enabled nor started" bash -c \
  "! test -e /etc/systemd/system/multi-user.target.wants/vetrel.service"
check "systemd-analyze verify accepts the installed unit" bash -c \
  "systemd-analyze verify /lib/systemd/system/vetrel.service >'$work/verify' 2>&1 || { cat '$work/verify'; exit 1; }"
check "systemd-analyze security rates the unit's exposure 2.5 or less" \
  systemd-analyze security --offline=true --threshold=25 /lib/systemd/system/vetrel.service
check "the unit runs the packaged binary on /var/lib/vetrel, listening, and reloads by SIGHUP" bash -c \
  "grep -qx 'ExecStart=/usr/bin/vetrel monitor --dir /var/lib/vetrel --utf8 --listen' /lib/systemd/system/vetrel.service &&
   grep -qx 'ExecReload=/bin/kill -HUP \$MAINPID' /lib/systemd/system/vetrel.service"
check "logrotate takes /etc/logrotate.d/vetrel, a conffile rotating the service's log with SIGHUP" bash -c \
  "dpkg-query -W -f='\${Conffiles}' vetrel | grep -q ' /etc/logrotate.d/vetrel ' &&
   logrotate -d /etc/logrotate.d/vetrel >'$work/logrotate' 2>&1 && ! grep -qi 'error' '$work/logrotate' &&
   grep -q '^/var/lib/vetrel/quorel.log {' /etc/logrotate.d/vetrel && grep -q 'signal=HUP vetrel.service' /etc/logrotate.d/vetrel ||
   { cat '$work/logrotate'; exit 1; }"
check "man -l shows the page without a warning (groff -ww)" bash -c \
  "LC_ALL=C.UTF-8 MANWIDTH=80 man -l /usr/share/man/man1/vetrel.1.gz >'$work/man' 2>'$work/man.err' &&
   zcat /usr/share/man/man1/vetrel.1.gz | LC_ALL=C.UTF-8 groff -ww -k -t -man -Tutf8 >/dev/null 2>>'$work/man.err' &&
   test ! -s '$work/man.err' && grep -q 'Vetrel developers\|EXIT STATUS' '$work/man' && grep -q 'vetrel $version' '$work/man' || { cat '$work/man.err'; exit 1; }"
check "man vetrel finds it" bash -c "test \"\$(man -w vetrel)\" = /usr/share/man/man1/vetrel.1.gz"
check "the page names every quorel.ini key the program prints" bash -c \
  "for k in \$(/usr/bin/vetrel settings --dir '$work' 2>/dev/null | sed 's/=.*//'); do grep -q \"\$k\" '$work/man' || { echo \"missing \$k\"; exit 1; }; done"

echo "== the installed binary: settings, charset"
d=$work/data
mkdir -p "$d"
check "vetrel settings --dir SCRATCH prints the defaults" bash -c \
  "LC_ALL=C /usr/bin/vetrel settings --dir '$d' >'$work/settings' && grep -q '^CheckInt=5 ' '$work/settings'"
label=$(utf8 'Пополнять образцы')
check "C locale, a pipe: UTF-8" bash -c "LC_ALL=C /usr/bin/vetrel settings --dir '$d' | grep -q '$label'"
check "C.UTF-8: UTF-8" bash -c "LC_ALL=C.UTF-8 /usr/bin/vetrel settings --dir '$d' | grep -q '$label'"
check "--cp1251: the Windows-1251 bytes" bash -c \
  "LC_ALL=C.UTF-8 /usr/bin/vetrel settings --cp1251 --dir '$d' | grep -qF \"\$(printf '%s' '$label' | iconv -f utf-8 -t cp1251)\""
mkdir -p "$work/locale"
if localedef -i ru_RU -f CP1251 "$work/locale/ru_RU.CP1251" 2>/dev/null; then
  check "ru_RU.CP1251: the Windows-1251 bytes" bash -c \
    "LOCPATH='$work/locale' LC_ALL=ru_RU.CP1251 /usr/bin/vetrel settings --dir '$d' | grep -qF \"\$(printf '%s' '$label' | iconv -f utf-8 -t cp1251)\""
  check "ru_RU.CP1251: a typed value is taken as Windows-1251" bash -c \
    "LOCPATH='$work/locale' LC_ALL=ru_RU.CP1251 /usr/bin/vetrel settings --dir '$d' set \"MailLogin=\$(printf 'почта' | iconv -f utf-8 -t cp1251)\" &&
     grep -qaF \"MailLogin=\$(printf 'почта' | iconv -f utf-8 -t cp1251)\" '$d/quorel.ini'"
else
  echo "  skipped: ru_RU.CP1251 (localedef cannot make it here)"
fi
/usr/bin/vetrel settings --dir "$d" set CheckInt=7 || echo "  FAIL: a valid set"
before=$(md5sum <"$d/quorel.ini")
check "settings set refuses what Windows-1251 cannot hold, names the key, writes nothing" bash -c \
  "LC_ALL=C.UTF-8 /usr/bin/vetrel settings --dir '$d' set 'MailFrom=тест日本' 2>'$work/err'; test \$? -eq 2 &&
   grep -q 'MailFrom' '$work/err' && test \"\$(md5sum <'$d/quorel.ini')\" = '$before'"

echo "== completion"
complete_words() {  # words of the command line, the last one being completed
  bash -c 'source /usr/share/bash-completion/completions/vetrel
    COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vetrel; printf "%s\n" "${COMPREPLY[@]}"' _ "$@"
}
export -f complete_words
check "commands" bash -c "test \"\$(complete_words vetrel '' | paste -sd' ')\" = 'monitor routes neighbours scan settings route version help'"
check "settings set offers exactly the keys vetrel settings prints (but the password)" bash -c \
  "diff <(complete_words vetrel settings set '' | sed 's/=\$//' | sort) \
        <(/usr/bin/vetrel settings --dir '$d' | sed 's/=.*//' | grep -vx MailPassw | sort)"
check "--listen= offers the interfaces" bash -c "complete_words vetrel monitor --listen = | grep -qx lo"

dpkg -r vetrel >/dev/null 2>&1
installed=0
check "dpkg -r removes it" bash -c "! test -e /usr/bin/vetrel && ! test -e /lib/systemd/system/vetrel.service"
dpkg -P vetrel >/dev/null 2>&1
check "dpkg -P removes the logrotate file too" test ! -e /etc/logrotate.d/vetrel

echo "== the Windows zip"
zip=$root/build/vetrel-$version-win64.zip
timeout 900 bash "$root/scripts/package.sh" win >/dev/null || { echo "  FAIL: package.sh win"; exit 1; }
check "the zip holds the program, the Russian guide and the licence" bash -c \
  "test \"\$(unzip -Z1 '$zip' | grep -v '/\$' | sort | paste -sd' ')\" = 'vetrel-$version/LICENSE.txt vetrel-$version/README.ru.txt vetrel-$version/vetrel.exe'"
unzip -q -d "$work/zip" "$zip"
g=$work/zip/vetrel-$version/README.ru.txt
check "the guide is UTF-8 with a BOM and CR LF, for Notepad" bash -c \
  "head -c3 '$g' | od -An -tx1 | grep -q 'ef bb bf' && test \"\$(grep -c \$'\\r\$' '$g')\" -eq \"\$(wc -l <'$g')\" && iconv -f utf-8 -t utf-8 '$g' >/dev/null"
check "the guide covers what an administrator needs" bash -c \
  "for w in 'Запуск от имени администратора' 'AUTH LOGIN' SyslogServer 'Подмена адреса!' 'Новый IP-адрес!' 'Дополн. IP-адрес!' quorel.ini samples.dat '*'; do grep -qF -- \"\$w\" '$g' || { echo \"missing: \$w\"; exit 1; }; done"
check "vetrel.exe is a Windows program" bash -c "head -c2 '$work/zip/vetrel-$version/vetrel.exe' | grep -q MZ"

echo "package test: $failures failure(s)"
[ "$failures" -eq 0 ]
