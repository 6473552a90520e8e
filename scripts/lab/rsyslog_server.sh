# shellcheck shell=bash
# Sourced by the syslog tests: a real rsyslogd in the foreground with a configuration of its
# own, taking UDP and TCP (octet-counted or line framing) on 127.0.0.1:PORT, in a network
# namespace when one is given, and writing every message it receives to DIR/received.log as
# PRI|SEVERITY|MSGID|HOSTNAME|APP-NAME|PROCID|TIMESTAMP|STRUCTURED-DATA|MSG.

RS_PID=
RS_DIR=
RS_PORT=
RS_NS=

# rsyslog_up DIR PORT [NAMESPACE]
rsyslog_up() {
  RS_DIR=$1 RS_PORT=$2 RS_NS=${3:-}
  mkdir -p "$RS_DIR/rsyslog-work"
  cat >"$RS_DIR/rsyslog.conf" <<CONF
global(workDirectory="$RS_DIR/rsyslog-work" maxMessageSize="8k")
module(load="imudp")
module(load="imtcp")
input(type="imudp" address="127.0.0.1" port="$RS_PORT")
input(type="imtcp" address="127.0.0.1" port="$RS_PORT")
template(name="lab" type="string"
  string="%pri%|%syslogseverity%|%msgid%|%hostname%|%app-name%|%procid%|%timereported:::date-rfc3339%|%structured-data%|%msg%\n")
*.* action(type="omfile" file="$RS_DIR/received.log" template="lab")
CONF
  rsyslog_start
}

rsyslog_start() {
  rm -f "$RS_DIR/rsyslogd.pid"
  if [ -n "$RS_NS" ]; then
    ip netns exec "$RS_NS" rsyslogd -n -f "$RS_DIR/rsyslog.conf" -i "$RS_DIR/rsyslogd.pid" \
      >>"$RS_DIR/rsyslogd.out" 2>&1 &
  else
    rsyslogd -n -f "$RS_DIR/rsyslog.conf" -i "$RS_DIR/rsyslogd.pid" >>"$RS_DIR/rsyslogd.out" 2>&1 &
  fi
  RS_PID=$!
  local _
  for _ in $(seq 100); do
    if ${RS_NS:+ip netns exec "$RS_NS"} ss -ltn "sport = :$RS_PORT" 2>/dev/null | grep -q LISTEN; then
      return 0
    fi
    kill -0 "$RS_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "rsyslogd did not start:" >&2
  cat "$RS_DIR/rsyslogd.out" >&2
  return 1
}

# Orderly stop (SIGTERM, as a service manager would), bounded; then SIGKILL.
rsyslog_down() {
  [ -n "$RS_PID" ] || return 0
  kill -TERM "$RS_PID" 2>/dev/null
  local _
  for _ in $(seq 100); do
    kill -0 "$RS_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$RS_PID" 2>/dev/null
  wait "$RS_PID" 2>/dev/null
  RS_PID=
}

rsyslog_restart() { rsyslog_down && rsyslog_start; }

# The received messages (UTF-8 as sent).
received() { cat "$RS_DIR/received.log" 2>/dev/null; }
received_has() { received | grep -qF -- "$1"; }
