#!/usr/bin/env bash
# Vetrel mails journal lines to a real SMTP server (aiosmtpd, AUTH LOGIN required) on
# 127.0.0.1; the stored message's headers, Windows-1251 body and login are checked.
# Usage: smtp_real.sh BUILD_DIR (the native build). Needs no root; loopback only.
set -euo pipefail
build=$(cd "${1:?native build dir}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/lab/smtp_server.sh"
sender="$build/tests/mail_lab_send"
[ -x "$sender" ] || { echo "missing $sender" >&2; exit 1; }

SMTP_WORK=$(mktemp -d /tmp/vetrel-mail-$$.XXXXXX)
cleanup() {
  smtp_down
  rm -rf "$SMTP_WORK"
}
trap cleanup EXIT

smtp_up
if ! timeout 120 "$sender" "$SMTP_PORT" alarm@vetrel.lab admin@vetrel.lab | iconv -f CP1251 -t UTF-8; then
  echo "FAIL: the send was not reported as done" >&2
  cat "$SMTP_WORK/server.log" >&2
  exit 1
fi
smtp_check alarm@vetrel.lab admin@vetrel.lab
echo "smtp_real: message stored with AUTH LOGIN, headers and Windows-1251 body as sent"
