#!/usr/bin/env bash
# `vetrel scan` against a /24 of 200 live hosts (macvlan interfaces in a peer namespace) and
# 54 dead addresses: exact results in address order with 1, 5 and 16 workers, the worker
# bounds, a stop halfway, a second stop, the comparison with the samples, and the command
# line's refusals; --json on stdout and the comparison's lines at a real rsyslogd.
# Usage: scan_lab.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
LAB=scn$$
. "$root/scripts/lab/scan_netlab.sh"
. "$root/scripts/lab/lab_check.sh"
. "$root/scripts/lab/rsyslog_server.sh"
lab_begin "scan lab" "${1:?usage: scan_lab.sh BUILD_DIR}" rsyslogd
SINK_PID=
SCAN_PID=
cleanup() {
  [ -n "$SCAN_PID" ] && kill -KILL "$SCAN_PID" 2>/dev/null
  [ -n "$SINK_PID" ] && kill "$SINK_PID" 2>/dev/null
  rsyslog_down
  wait 2>/dev/null
  scan_lab_down
  rm -rf "/etc/netns/${LAB}s" "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Open to all: one case runs vetrel as nobody.
fresh_dir() {
  local d="$work/$1"
  mkdir -p "$d"
  chmod 777 "$d"
  echo "$d"
}
# Every vetrel run stays inside the scanning namespace, bounded in time. SIGINT is set back
# to its default: a non-interactive shell starts background jobs with it ignored.
scan_run() {  # dir, arguments...
  local d=$1
  shift
  timeout 60 ip netns exec "${LAB}s" env --default-signal=INT "$VETREL" scan --cp1251 --dir "$d" "$@" \
    >"$d/stdout" 2>"$d/stderr"
}
scan_start() {  # dir, arguments...: in the background, pid in SCAN_PID (ip execs vetrel, so
  local d=$1   # signals reach it; scan_wait and the clean-up bound its life)
  shift
  ip netns exec "${LAB}s" env --default-signal=INT "$VETREL" scan --cp1251 --dir "$d" "$@" \
    >"$d/stdout" 2>"$d/stderr" &
  SCAN_PID=$!
}
scan_wait() {  # bounded wait for SCAN_PID; its exit code in SCAN_RC
  local i=0
  while kill -0 "$SCAN_PID" 2>/dev/null && [ "$i" -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
  done
  kill -0 "$SCAN_PID" 2>/dev/null && kill -KILL "$SCAN_PID"
  wait "$SCAN_PID"
  SCAN_RC=$?
  SCAN_PID=
}
err_utf8() { iconv -f cp1251 -t utf-8 "$1/stderr"; }
# The fourth column: the lab's MACs are locally administered, which ieee-data's presence shows.
VENDOR=
[ -r /usr/share/ieee-data/oui.csv ] && VENDOR='(locally administered)'
err_count() { err_utf8 "$1" | grep -cF -- "$2"; }
export -f err_utf8
# The expected rows for the live hosts numbered up to $1 (default all).
expected_rows() {
  local i
  for i in $(scan_live_hosts); do
    [ "$i" -le "${1:-254}" ] && printf '%s.%s\t%s\t\t%s\n' "$SCAN_NET" "$i" "$(scan_host_mac "$i")" "$VENDOR"
  done
}
summary_is() { grep -qF "vetrel: $2" "$1/stderr"; }
wait_lines() {  # file, count, seconds
  local i=0
  while [ "$(wc -l <"$1")" -lt "$2" ] && [ "$i" -lt $(($3 * 20)) ]; do
    sleep 0.05
    i=$((i + 1))
  done
  [ "$(wc -l <"$1")" -ge "$2" ]
}

t_start=$(date +%s)
scan_lab_up || { echo "scan lab: cannot build the namespaces"; exit 1; }
# Name lookups: the namespace's hosts file names one live host; everything else is asked of
# a name server in the host namespace that never answers (1 s per lookup) and logs each query.
mkdir -p "/etc/netns/${LAB}s"
printf '127.0.0.1 localhost\n%s.2 second.lab\n' "$SCAN_NET" >"/etc/netns/${LAB}s/hosts"
printf 'nameserver 10.66.100.53\noptions timeout:1 attempts:1\n' >"/etc/netns/${LAB}s/resolv.conf"
ip -n "${LAB}h" addr add 10.66.100.53/16 dev up0
sink_log="$work/dns.log"
: >"$sink_log"
ip netns exec "${LAB}h" /usr/bin/python3 "$here/dns_sink.py" 10.66.100.53 "$sink_log" \
  --max-seconds 110 &
SINK_PID=$!
expected_rows >"$work/expected"
echo "lab up in $(($(date +%s) - t_start)) s: $(wc -l <"$work/expected") live hosts"

echo "== command line"
d=$(fresh_dir cli)
check "--help exits 0 and shows the scan command" bash -c "'$VETREL' --help | grep -q 'vetrel scan'"
scan_run "$d" 10.0.0.0 10.1.0.0
check "a range of 65537 addresses is refused with exit code 2" \
  bash -c "test $? -eq 2 && grep -q '65537 addresses; at most 65536' '$d/stderr'"
scan_run "$d" 10.66.1.20 10.66.1.10
check "a last address below the first: exit code 2" \
  bash -c "test $? -eq 2 && grep -q 'lies below the first' '$d/stderr'"
scan_run "$d" 10.66.1.300
check "an address that is not one: exit code 2" \
  bash -c "test $? -eq 2 && grep -q \"'10.66.1.300' is not an IPv4 address\" '$d/stderr'"
scan_run "$d" --threads 17 10.66.1.1
check "--threads 17: exit code 2" test $? -eq 2
timeout 60 ip netns exec "${LAB}s" "$VETREL" scan --cp1251 --dir "$work/none" 10.66.1.1 >"$d/stdout" 2>"$d/stderr"
check "a missing data directory: exit code 2" bash -c "test $? -eq 2 && grep -q 'data directory' '$d/stderr'"
check "nothing was scanned by the refused lines" bash -c "! test -s '$d/stdout'"

for threads in 1 5 16; do
  echo "== a /24 with $threads worker(s)"
  d=$(fresh_dir "threads$threads")
  t0=$(date +%s.%N)
  scan_run "$d" --threads "$threads" "$SCAN_NET.1" "$SCAN_NET.254"
  rc=$?
  t1=$(date +%s.%N)
  check "exit code 0 ($(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }') s)" test $rc -eq 0
  check "exactly the 200 live hosts with their MACs, in address order" \
    diff -q "$work/expected" "$d/stdout"
  check "summary: 200 found of 254 probed" summary_is "$d" "scan done: 200 found, 254 of 254 addresses probed"
  check "no journal line without --compare" bash -c "! err_utf8 '$d' | grep -q 'IP-адрес'"
done

echo "== one address, and a name from the hosts file"
d=$(fresh_dir single)
ini_write "$d" ScanGetName=1
scan_run "$d" "$SCAN_NET.2"
check "one row with the name (ScanGetName from quorel.ini)" \
  bash -c "printf '$SCAN_NET.2\t$(scan_host_mac 2)\tsecond.lab\t$VENDOR\n' | diff -q - '$d/stdout'"
check "summary: 1 of 1, seconds to two places" \
  grep -qxE "vetrel: scan done: 1 found, 1 of 1 addresses probed, [0-9]+\.[0-9]{2} s" "$d/stderr"

# Each lookup waits 1 s at the sink, so the queries of the first 0.8 s show how many workers
# the pass started.
count_workers() {  # dir, MaxScanThreads
  local d=$1 before first
  ini_write "$d" "MaxScanThreads=$2"
  before=$(wc -l <"$sink_log")
  scan_start "$d" --names "$SCAN_NET.3" "$SCAN_NET.254"
  wait_lines "$sink_log" $((before + 1)) 10
  sleep 0.8
  first=$(tail -n +$((before + 1)) "$sink_log" | head -n1 | cut -d' ' -f1)
  WORKERS=$(tail -n +$((before + 1)) "$sink_log" |
    awk -v f="$first" '$1 - f < 0.8' | wc -l)
  # Two stops while the workers are a few milliseconds into their next lookups.
  wait_lines "$sink_log" $((before + WORKERS + 1)) 5
  kill -INT "$SCAN_PID"
  sleep 0.1
  local t0 t1
  t0=$(date +%s.%N)
  kill -INT "$SCAN_PID"
  scan_wait
  t1=$(date +%s.%N)
  SECOND_STOP=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }')
}
echo "== MaxScanThreads bounds from a hand-edited quorel.ini; a second stop"
d=$(fresh_dir zero)
count_workers "$d" 0
check "MaxScanThreads=0 starts 1 worker (saw $WORKERS lookups at once)" test "$WORKERS" -eq 1
check "a second SIGINT exits with 130 (exit $SCAN_RC after $SECOND_STOP s) while the worker still waits" \
  bash -c "test $SCAN_RC -eq 130 && awk 'BEGIN { exit !($SECOND_STOP < 0.5) }'"
check "and says so on stderr" grep -q '^vetrel: stopped$' "$d/stderr"
d=$(fresh_dir forty)
count_workers "$d" 40
check "MaxScanThreads=40 starts 16 workers (saw $WORKERS lookups at once)" test "$WORKERS" -eq 16

echo "== SIGINT halfway through a pass with name lookups (16 workers, about 16 addresses a second)"
d=$(fresh_dir stop)
before=$(wc -l <"$sink_log")
scan_start "$d" --names --threads 16 "$SCAN_NET.1" "$SCAN_NET.254"
wait_lines "$sink_log" $((before + 120)) 30
t_stop=$(date +%s.%N)
kill -INT "$SCAN_PID"
scan_wait
check "exit code 0 after one SIGINT" test "$SCAN_RC" -eq 0
probed=$(sed -n 's/.*scan interrupted: [0-9]* found, \([0-9]*\) of 254 addresses probed.*/\1/p' "$d/stderr")
check "the interrupted summary (probed: ${probed:-none})" test -n "$probed"
probed=${probed:-0}
check "stopped halfway: 120 <= probed < 254" test "$probed" -ge 120 -a "$probed" -lt 254
tail -n +$((before + 1)) "$sink_log" >"$d/queries"
late=$(awk -v t="$t_stop" '$1 > t + 0.3' "$d/queries" | wc -l)
check "no address looked up after the stop ($late late queries)" test "$late" -eq 0
# Hosts 1 to $probed, except the one the hosts file names, each looked up exactly once.
seq 1 "$probed" | grep -vx 2 | sed "s/^/$SCAN_NET./" | sort >"$d/probed.expected"
awk '{ split($2, o, "."); print o[4] "." o[3] "." o[2] "." o[1] }' "$d/queries" | sort >"$d/probed.seen"
check "exactly the addresses handed out were probed, once each" diff -q "$d/probed.expected" "$d/probed.seen"
expected_rows "$probed" | sed "s/^\($SCAN_NET\.2\t[^\t]*\t\)\t/\1second.lab\t/" >"$d/rows.expected"
check "rows for the live hosts among them, in address order" diff -q "$d/rows.expected" "$d/stdout"

echo "== --compare with samples: spoofing, new addresses, an additional IP, learned samples"
d=$(fresh_dir compare)
ini_write "$d" WriteLog=1 AddNew=1 AddAddIp=0 ScanCheckMac=0 MaxScanThreads=3
{
  printf '%s.1\t02-66-01-00-00-99\tspoofed\r\n' "$SCAN_NET"      # contradicts host 1
  printf '%s.2\t%s\tgenuine\r\n' "$SCAN_NET" "$(scan_host_mac 2)" # agrees with host 2
  printf '10.66.9.9\t%s\tother-ip\r\n' "$(scan_host_mac 4)"       # host 4's MAC elsewhere
} >"$d/samples.dat"
ini_sum=$(md5sum <"$d/quorel.ini")
scan_run "$d" --compare --threads 16 "$SCAN_NET.1" "$SCAN_NET.254"
check "exit code 0" test $? -eq 0
check "the 200 rows as without --compare" diff -q "$work/expected" "$d/stdout"
check "one spoofing line naming both pairs" test "$(err_count "$d" \
  "Подмена адреса! $SCAN_NET.1 $(scan_host_mac 1) ($SCAN_NET.1 02-66-01-00-00-99)")" -eq 1
check "no other spoofing line" test "$(err_count "$d" 'Подмена адреса!')" -eq 1
check "198 new-address lines (every host but the two known)" \
  test "$(err_count "$d" 'Новый IP-адрес!')" -eq 198
check "one additional-IP line, for host 4" bash -c \
  "test \"\$(err_utf8 '$d' | grep -c 'Дополн. IP-адрес!')\" -eq 1 && err_utf8 '$d' | grep -qF 'Дополн. IP-адрес! $SCAN_NET.4 $(scan_host_mac 4)'"
check "journal lines on stderr carry the date stamp" test "$(err_utf8 "$d" |
  grep -cE '^[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} Новый IP-адрес!')" -eq 198
check "and reach quorel.log (WriteLog=1)" test "$(iconv -f cp1251 "$d/quorel.log" | grep -cE 'Подмена|Новый IP|Дополн')" -eq 200
check "samples.dat: the 3 samples and 197 learned" test "$(wc -l <"$d/samples.dat")" -eq 200
check "a learned sample in the file's form" grep -qaP "^$SCAN_NET\.7\t$(scan_host_mac 7)\t\r$" "$d/samples.dat"
check "host 4 (additional IP) not learned" bash -c "! grep -qa '^$SCAN_NET\.4	' '$d/samples.dat'"
check "quorel.ini untouched by the run's overrides" test "$(md5sum <"$d/quorel.ini")" = "$ini_sum"

echo "== a stdout nobody reads holds up neither a pass nor SIGTERM"
d=$(fresh_dir stalled)
mkfifo "$d/out"
# The reader shrinks the pipe to one page (200 rows are about 8 kB) and never reads.
python3 -c 'import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDONLY); fcntl.fcntl(fd, 1031, 4096); time.sleep(60)' "$d/out" &
reader=$!
timeout 20 ip netns exec "${LAB}s" env --default-signal=INT "$VETREL" scan --cp1251 --dir "$d" \
  --threads 16 "$SCAN_NET.1" "$SCAN_NET.254" >"$d/out" 2>"$d/stderr"
check "the pass ends (exit $?)" summary_is "$d" "scan done: 200 found, 254 of 254 addresses probed"
ip netns exec "${LAB}s" env --default-signal=INT "$VETREL" scan --cp1251 --dir "$d" --repeat 5 \
  --threads 16 "$SCAN_NET.1" "$SCAN_NET.254" >"$d/out" 2>"$d/stderr" &
SCAN_PID=$!
i=0
while ! summary_is "$d" "scan done:" && [ "$i" -lt 200 ]; do sleep 0.1; i=$((i + 1)); done
kill -TERM "$SCAN_PID"
scan_wait
check "--repeat: SIGTERM after the first pass ends it (exit $SCAN_RC)" bash -c \
  "test $SCAN_RC -eq 0 && grep -q 'scan stopped while waiting for the next pass' '$d/stderr'"
kill "$reader" 2>/dev/null
wait "$reader" 2>/dev/null

echo "== --compare while a monitor holds the directory: reported, nothing learned"
d=$(fresh_dir monitored)
ini_write "$d" AddNew=1 AddAddIp=1
printf '%s.1\t%s\tone\r\n' "$SCAN_NET" "$(scan_host_mac 1)" >"$d/samples.dat"
samples_sum=$(md5sum <"$d/samples.dat")
exec {held}<"$d"
flock -s "$held"  # the shared lock a running monitor holds
scan_run "$d" --compare "$SCAN_NET.1" "$SCAN_NET.10"
check "exit code 0" test $? -eq 0
exec {held}<&-
check "new hosts still reported" test "$(err_count "$d" 'Новый IP-адрес!')" -ge 1
check "samples.dat left to the monitor" test "$(md5sum <"$d/samples.dat")" = "$samples_sum"
check "the run says why" grep -q "a monitor runs on $d" "$d/stderr"

t_json=$(date +%s.%N)
echo "== --json and syslog: a comparing scan of .1 to .10 (TCP to an rsyslogd in the namespace)"
d=$(fresh_dir json)
port=$((20000 + $$ % 20000))
rsyslog_up "$d" "$port" "${LAB}s" || exit 1
ini_write "$d" AddNew=0 SyslogServer=127.0.0.1 SyslogPort=$port SyslogProto=tcp
printf '%s.1\t02-66-01-00-00-99\tspoofed\r\n' "$SCAN_NET" >"$d/samples.dat"
scan_run "$d" --json --compare "$SCAN_NET.1" "$SCAN_NET.10"
check "exit code 0" test $? -eq 0
check "stdout: only JSON lines" bash -c \
  "/usr/bin/python3 -c 'import json,sys; [json.loads(l) for l in sys.stdin]' <'$d/stdout' && test -s '$d/stdout'"
expected_rows 10 >"$d/rows.expected"
/usr/bin/python3 - "$d/stdout" "$d/rows.expected" "$SCAN_NET.1" "$(scan_host_mac 1)" <<'PY' >"$d/json.check" 2>&1
import json, sys
out, rows, ip, mac = sys.argv[1:]
objs = [json.loads(l) for l in open(out, encoding="utf-8")]
hosts = ["%s\t%s\t%s\t%s" % (o["ip"], o["mac"], o["name"], o["vendor"]) for o in objs if o["kind"] == "Host"]
assert hosts == open(rows).read().splitlines(), hosts
s = [o for o in objs if o["kind"] == "Spoofing"]
assert len(s) == 1, s
assert (s[0]["ip"], s[0]["mac"], s[0]["sampleIp"], s[0]["sampleMac"]) == (ip, mac, ip, "02-66-01-00-00-99"), s
assert s[0]["text"] == "Подмена адреса! %s %s (%s 02-66-01-00-00-99)" % (ip, mac, ip), s
assert all(o["time"][:2] == "20" and set(o) >= {"time", "kind"} for o in objs)
print(len(hosts), "hosts,", len(objs) - len(hosts), "journal objects")
PY
check "host objects in address order and the spoofing object ($(tail -n1 "$d/json.check"))" \
  grep -q 'journal objects' "$d/json.check"
check "stderr: the summary" summary_is "$d" "scan done: 8 found, 10 of 10 addresses probed"
check "stderr: no journal line" bash -c "! err_utf8 '$d' | grep -q 'Подмена'"
spoof="Подмена адреса! $SCAN_NET.1 $(scan_host_mac 1) ($SCAN_NET.1 02-66-01-00-00-99)"
received_spoof() {
  grep -F -- "$spoof" "$d/received.log" 2>/dev/null | grep -F '|SPOOF|' |
    grep -qE "ip=\"$SCAN_NET.1\" mac=\"$(scan_host_mac 1)\"( vendor=\"[^\"]*\")? sampleIp=\"$SCAN_NET.1\" sampleMac=\"02-66-01-00-00-99\""
}
for _ in $(seq 30); do received_spoof && break; sleep 0.1; done  # rsyslogd's file write
check "the spoofing line reached rsyslogd as SPOOF with its fields" \
  received_spoof
check "every journal object reached rsyslogd" test "$(wc -l <"$d/received.log")" -eq \
  "$(grep -vc '"kind":"Host"' "$d/stdout")"
rsyslog_down

d=$(fresh_dir jsonbad)
ini_write "$d" SyslogServer=127.0.0.1 SyslogProto=sctp
scan_run "$d" --json "$SCAN_NET.2"
check "a bad syslog setting: one ProgramError object, then the host" bash -c \
  "/usr/bin/python3 -c 'import json,sys; print(\" \".join(o[\"kind\"] for o in map(json.loads, sys.stdin)))' <'$d/stdout' |
    grep -qx 'ProgramError Host'"
echo "  (--json and syslog cases: $(awk -v a="$t_json" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s)"

echo "== without CAP_NET_RAW"
d=$(fresh_dir noraw)
timeout 30 ip netns exec "${LAB}s" setpriv --reuid=65534 --regid=65534 --clear-groups \
  --inh-caps=-all --bounding-set=-all "$VETREL" scan --cp1251 --dir "$d" "$SCAN_NET.1" >"$d/stdout" 2>"$d/stderr"
check "exit code 0, a warning, nothing found" bash -c \
  "test $? -eq 0 && grep -q 'no CAP_NET_RAW' '$d/stderr' && ! test -s '$d/stdout'"

echo "scan lab: $failures failure(s) in $(($(date +%s) - t_start)) s"
[ "$failures" -eq 0 ]
