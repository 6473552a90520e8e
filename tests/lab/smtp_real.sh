#!/usr/bin/env bash
# Vetrel mails journal lines to a real SMTP server (aiosmtpd, AUTH LOGIN required) on
# 127.0.0.1; the stored message's headers, Windows-1251 body and login are checked.
# Usage: smtp_real.sh BUILD_DIR (the native build). Needs no root; loopback only.
set -euo pipefail
build=$(cd "${1:?native build dir}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
sender="$build/tests/mail_lab_send"
[ -x "$sender" ] || { echo "missing $sender" >&2; exit 1; }

work=$(mktemp -d /tmp/vetrel-mail-$$.XXXXXX)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The login and password as Vetrel's Windows-1251 bytes: "почта", "Пароль-1 ёЁ".
login_hex=$(printf 'почта' | iconv -f UTF-8 -t CP1251 | od -An -tx1 | tr -d ' \n')
password_hex=$(printf 'Пароль-1 ёЁ' | iconv -f UTF-8 -t CP1251 | od -An -tx1 | tr -d ' \n')

/usr/bin/python3 "$here/mail_lab/smtp_server.py" "$work" "$login_hex" "$password_hex" \
  >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "SMTP server did not start" >&2; cat "$work/server.log" >&2; exit 1; }
port=$(cat "$work/port")

if ! timeout 120 "$sender" "$port" alarm@vetrel.lab admin@vetrel.lab | iconv -f CP1251 -t UTF-8; then
  echo "FAIL: the send was not reported as done" >&2
  cat "$work/server.log" >&2
  exit 1
fi
[ -s "$work/msg-1.eml" ] || { echo "FAIL: no message stored" >&2; exit 1; }
/usr/bin/python3 "$here/mail_lab/check_message.py" "$work" "$login_hex" \
  alarm@vetrel.lab admin@vetrel.lab
echo "smtp_real: message stored with AUTH LOGIN, headers and Windows-1251 body as sent"
