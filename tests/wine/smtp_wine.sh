#!/usr/bin/env bash
# The Windows build mails journal lines over Winsock (gethostbyname, ioctlsocket, select) to a
# real SMTP server (aiosmtpd, AUTH LOGIN required) on 127.0.0.1, under Wine; the stored
# message's headers, Windows-1251 body and login are checked. Loopback only, no root.
# Usage: smtp_wine.sh MINGW_BUILD_DIR
set -uo pipefail
build=$(cd "${1:?mingw build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/lab/smtp_server.sh"
exe="$build/tests/mail_wine_send.exe"
[ -f "$exe" ] || { echo "missing $exe" >&2; exit 1; }

SMTP_WORK=$(mktemp -d /tmp/vetrel-mailwine-$$.XXXXXX) || exit 1
prefix="$SMTP_WORK/prefix"
cleanup() {
  smtp_down
  WINEPREFIX=$prefix timeout 30 wineserver -k >/dev/null 2>&1
  rm -rf "$SMTP_WORK"
}
trap cleanup EXIT

smtp_up || exit 1
wine_env=(env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=")
start=$(date +%s)
timeout 240 "${wine_env[@]}" wineboot -i >/dev/null 2>&1
echo "wineboot: $(( $(date +%s) - start ))s"

timeout 180 "${wine_env[@]}" wine "$exe" "$SMTP_PORT" alarm@vetrel.lab admin@vetrel.lab \
  >"$SMTP_WORK/journal.txt" 2>"$SMTP_WORK/wine.err"
rc=$?
iconv -f CP1251 -t UTF-8 "$SMTP_WORK/journal.txt" | tr -d '\r'
if [ "$rc" -ne 0 ]; then
  echo "FAIL: the send was not reported as done (exit $rc)" >&2
  grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' \
    "$SMTP_WORK/wine.err" >&2
  cat "$SMTP_WORK/server.log" >&2
  exit 1
fi
smtp_check alarm@vetrel.lab admin@vetrel.lab || exit 1
echo "smtp_wine: message stored with AUTH LOGIN, headers and Windows-1251 body as sent"
