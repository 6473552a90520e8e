#!/usr/bin/env bash
# The Windows build mails journal lines over Winsock (gethostbyname, ioctlsocket, select) to a
# real SMTP server (aiosmtpd, AUTH LOGIN required) on 127.0.0.1, under Wine; the stored
# message's headers, Windows-1251 body and login are checked. Loopback only, no root.
# Usage: smtp_wine.sh MINGW_BUILD_DIR
set -uo pipefail
build=$(cd "${1:?mingw build dir}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
lab="$here/../lab/mail_lab"
exe="$build/tests/mail_wine_send.exe"
[ -f "$exe" ] || { echo "missing $exe" >&2; exit 1; }

work=$(mktemp -d /tmp/vetrel-mailwine-$$.XXXXXX) || exit 1
prefix="$work/prefix"
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; fi
  WINEPREFIX=$prefix timeout 30 wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

login_hex=$(printf 'почта' | iconv -f UTF-8 -t CP1251 | od -An -tx1 | tr -d ' \n')
password_hex=$(printf 'Пароль-1 ёЁ' | iconv -f UTF-8 -t CP1251 | od -An -tx1 | tr -d ' \n')

/usr/bin/python3 "$lab/smtp_server.py" "$work" "$login_hex" "$password_hex" \
  >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "SMTP server did not start" >&2; cat "$work/server.log" >&2; exit 1; }
port=$(cat "$work/port")

wine_env=(env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=")
start=$(date +%s)
timeout 240 "${wine_env[@]}" wineboot -i >/dev/null 2>&1
echo "wineboot: $(( $(date +%s) - start ))s"

timeout 180 "${wine_env[@]}" wine "$exe" "$port" alarm@vetrel.lab admin@vetrel.lab \
  >"$work/journal.txt" 2>"$work/wine.err"
rc=$?
iconv -f CP1251 -t UTF-8 "$work/journal.txt" | tr -d '\r'
if [ "$rc" -ne 0 ]; then
  echo "FAIL: the send was not reported as done (exit $rc)" >&2
  grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' \
    "$work/wine.err" >&2
  cat "$work/server.log" >&2
  exit 1
fi
[ -s "$work/msg-1.eml" ] || { echo "FAIL: no message stored" >&2; exit 1; }
/usr/bin/python3 "$lab/check_message.py" "$work" "$login_hex" alarm@vetrel.lab admin@vetrel.lab ||
  exit 1
echo "smtp_wine: message stored with AUTH LOGIN, headers and Windows-1251 body as sent"
