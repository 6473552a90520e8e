# shellcheck shell=bash
# Sourced by the mail tests that send to a real SMTP server: an aiosmtpd server on 127.0.0.1
# that requires AUTH LOGIN with Vetrel's Windows-1251 login and password, storing each
# message in $SMTP_WORK (set it to the test's scratch directory before smtp_up). Set SMTP_RUN
# to a command prefix (say "ip netns exec NS") to start the server inside a namespace.

SMTP_LAB=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tests/lab/mail_lab" && pwd)
SMTP_PID=
SMTP_PORT=

cp1251_hex() {  # text -> hex of its Windows-1251 bytes
  printf '%s' "$1" | iconv -f UTF-8 -t CP1251 | od -An -tx1 | tr -d ' \n'
}

# The login and password as Vetrel's Windows-1251 bytes: "почта", "Пароль-1 ёЁ".
SMTP_LOGIN_HEX=$(cp1251_hex 'почта')
SMTP_PASSWORD_HEX=$(cp1251_hex 'Пароль-1 ёЁ')

smtp_up() {  # starts the server, waits for its port (10 s at most), sets SMTP_PORT
  ${SMTP_RUN:-} /usr/bin/python3 "$SMTP_LAB/smtp_server.py" "$SMTP_WORK" "$SMTP_LOGIN_HEX" "$SMTP_PASSWORD_HEX" \
    >"$SMTP_WORK/server.log" 2>&1 &
  SMTP_PID=$!
  local _
  for _ in $(seq 100); do [ -s "$SMTP_WORK/port" ] && break; sleep 0.1; done
  if [ ! -s "$SMTP_WORK/port" ]; then
    echo "SMTP server did not start" >&2
    cat "$SMTP_WORK/server.log" >&2
    return 1
  fi
  # shellcheck disable=SC2034  # read by the sourcing test
  SMTP_PORT=$(cat "$SMTP_WORK/port")
}

smtp_down() {
  if [ -n "$SMTP_PID" ]; then
    kill "$SMTP_PID" 2>/dev/null || true
    wait "$SMTP_PID" 2>/dev/null || true
  fi
  SMTP_PID=
  return 0
}

smtp_check() {  # from, to: the first stored message's headers, body and login
  [ -s "$SMTP_WORK/msg-1.eml" ] || { echo "FAIL: no message stored" >&2; return 1; }
  /usr/bin/python3 "$SMTP_LAB/check_message.py" "$SMTP_WORK" "$SMTP_LOGIN_HEX" "$1" "$2"
}
