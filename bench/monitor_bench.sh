#!/usr/bin/env bash
# Benchmark of `vetrel monitor` in the namespace lab (root), beside Debian's arpwatch started
# in the monitor's namespace on the same wire and fed the same frames: detection latency of a
# forged claim (neighbour events; --listen), a station that only asks, a burst of new
# stations, a flood of random senders, and the idle cost over a 1,000-entry table. Prints
# figures with ratios against arpwatch or the targets; it is not a test.
# Usage: monitor_bench.sh BUILD_DIR [IDLE_SECONDS (default 60)]
# BENCH_SHORT=1: every part runs, briefly (CI checks that it completes and prints).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
VETREL=$(cd "${1:?usage: monitor_bench.sh BUILD_DIR [IDLE_SECONDS]}" && pwd)/src/vetrel
short=${BENCH_SHORT:-0}
if [ "$short" = 1 ]; then idle_seconds=${2:-3}; else idle_seconds=${2:-60}; fi
pick() { if [ "$short" = 1 ]; then echo "$2"; else echo "$1"; fi; }
LAB=conb$$
. "$root/scripts/lab/console_netlab.sh"
. "$root/scripts/lab/lab_check.sh"  # ini_write
STORM=$root/tests/lab/arp_storm.py
[ "$(id -u)" -eq 0 ] || { echo "monitor bench: needs root"; exit 1; }
command -v arpwatch >/dev/null || { echo "monitor bench: arpwatch missing (scripts/setup-deps.sh)"; exit 1; }

work=$(mktemp -d /tmp/vetrel-monitor-bench.XXXXXX)
AW_PID=
aw_stop() { [ -n "$AW_PID" ] && kill "$AW_PID" 2>/dev/null && wait "$AW_PID" 2>/dev/null; AW_PID=; }
trap 'monitor_kill; aw_stop; lab_down; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
hwm_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"; }
stats_value() { grep -o " $2=[0-9.]*" "$1/stderr" | tail -n1 | cut -d= -f2; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0) print "n/a"; else printf "%.3f", a / b }'; }
value_of() { grep -o "$2=[^ ]*" "$1" | head -n1 | cut -d= -f2; }
storm() { local ns=$1; shift; ip netns exec "$LAB$ns" /usr/bin/python3 "$STORM" eth0 "$@"; }
# aw_start DIR [arpwatch options]: arpwatch in the monitor's namespace, reports on DIR/aw.out.
aw_start() {
  local dir=$1
  shift
  : >"$dir/arp.dat"
  ip netns exec "$LAB"m arpwatch -d -N -p -i eth0 -f "$dir/arp.dat" "$@" >"$dir/aw.out" 2>"$dir/aw.err" &
  AW_PID=$!
  sleep 1
}

lab_down
lab_up || exit 1
echo "mode: $([ "$short" = 1 ] && echo short || echo full)"

# claim_figure NAME IP MAC [NOTE]: $n forged claims of IP timed by vetrel and arpwatch in $d
# (both running), printed as NAME_claim_median_s with the ratio.
claim_figure() {
  ip netns exec "$LAB"a /usr/bin/python3 "$here/claim_latency.py" eth0 "$2" "$3" "$n" \
    "vetrel=$d/quorel.log:dash" "arpwatch=$d/aw.out:colon" 2>"$d/latency.txt" >"$d/latency.out"
  cat "$d/latency.out"
  local v a
  v=$(value_of "$d/latency.out" vetrel_median_s)
  a=$(value_of "$d/latency.out" arpwatch_median_s)
  echo "${1}_claim_median_s vetrel=$v arpwatch=$a ratio=$(ratio "$v" "$a") (target <= 0.050, $(value_of "$d/latency.out" vetrel_detected))${4:-}"
}

echo "== forged claim of a cached peer -> journal line, CheckInt=10 (neighbour events, no --listen)"
n=$(pick 10 2)
d="$work/cached"
mkdir -p "$d"
ini_write "$d" CheckInt=10 WriteLog=1 AddNew=0 CheckMac=1
peer_sample "$d"
monitor_start "$d" --stats
aw_start "$d"
announce_peer
sleep 1.5
claim_figure cached "$LAB_NET.2" 02:66:00:00:00:10
monitor_stop
aw_stop
echo "event_checks=$(stats_value "$d" event_checks) timed_checks=$(stats_value "$d" checks)"

echo "== --listen: forged claim of a sample address the kernel never cached; a station that only asks"
n=$(pick 5 2)
d="$work/uncached"
mkdir -p "$d"
ini_write "$d" CheckInt=10 WriteLog=1 AddNew=0 CheckMac=1
printf '%s\t%s\tnever\r\n' "$LAB_NET.9" 02-09-09-09-09-09 >"$d/samples.dat"
ip netns exec "$LAB"m sysctl -qw net.ipv4.conf.all.arp_accept=0 net.ipv4.conf.eth0.arp_accept=0
monitor_start "$d" --listen=eth0 --stats
aw_start "$d"
claim_figure uncached "$LAB_NET.9" 02:67:00:00:00:10 \
  "; cached by the kernel: $(ip -n "$LAB"m neigh show "$LAB_NET.9" | grep -c lladdr)"
storm p "$LAB_NET.60" 02:60:00:00:00:60 --kind request --target "$LAB_NET.3" 2>/dev/null
sleep 1
vr=$(log_has "$d" "Новый IP-адрес! $LAB_NET.60 02-60-00-00-00-60" && echo reported || echo missed)
ar=$(grep -q "new station ($LAB_NET.60)" "$d/aw.out" && echo reported || echo missed)
echo "asking_station vetrel=$vr arpwatch=$ar"
monitor_stop
aw_stop

echo "== 1,000 new stations in 10,000 requests at 20,000 frames/s (--listen, AddNew=1)"
hosts=$(pick 1000 200)
packets=$(pick 10000 2000)
d="$work/burst"
mkdir -p "$d"
ini_write "$d" CheckInt=10 WriteLog=1 AddNew=1 AddAddIp=1 CheckMac=1
: >"$d/samples.dat"
ip -n "$LAB"m addr add 10.78.255.254/16 dev eth0  # their subnet, as arpwatch's -n says
monitor_start "$d" --listen=eth0 --stats
aw_start "$d" -n 10.78.0.0/16
vc0=$(cpu_ticks "$MON_PID")
ac0=$(cpu_ticks "$AW_PID")
storm a 10.78.0.1 02:78:00:00:00:00 --kind request --hosts "$hosts" --packets "$packets" \
  --rate 20000 --max-seconds 10 2>"$d/storm.txt"
sleep 2
vc1=$(cpu_ticks "$MON_PID")
ac1=$(cpu_ticks "$AW_PID")
cat "$d/storm.txt"
monitor_stop
aw_stop
ip -n "$LAB"m addr del 10.78.255.254/16 dev eth0
vn=$(log_utf8 "$d" | grep -F 'Новый IP-адрес! 10.78.' | awk '{ print $5 }' | sort -u | wc -l)
an=$(grep -o 'new station (10\.78\.[0-9.]*)' "$d/aw.out" | sort -u | wc -l)
vcpu=$(awk -v t="$((vc1 - vc0))" -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }')
acpu=$(awk -v t="$((ac1 - ac0))" -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }')
echo "new_stations vetrel=$vn/$hosts arpwatch=$an/$hosts samples=$(grep -c . "$d/samples.dat")"
echo "new_stations_cpu_s vetrel=$vcpu arpwatch=$acpu ratio=$(ratio "$vcpu" "$acpu") (target <= 1; 10 ms ticks)"

echo "== 100,000 frames/s for 10 s from 65,536 random senders (--listen)"
secs=$(pick 10 1)
d="$work/flood"
mkdir -p "$d"
ini_write "$d" CheckInt=2 WriteLog=1 AddNew=0 CheckMac=1
: >"$d/samples.dat"
monitor_start "$d" --listen=eth0 --stats
aw_start "$d"
vc0=$(cpu_ticks "$MON_PID")
ac0=$(cpu_ticks "$AW_PID")
storm a 10.1.0.1 02:10:00:00:00:00 --kind request --random --hosts 65536 \
  --packets $((100000 * secs)) --rate 100000 --max-seconds $((secs + 5)) 2>"$d/storm.txt"
sleep 3
vc1=$(cpu_ticks "$MON_PID")
ac1=$(cpu_ticks "$AW_PID")
vhwm=$(hwm_kb "$MON_PID")
ahwm=$(hwm_kb "$AW_PID")
cat "$d/storm.txt"
monitor_stop
aw_stop
echo "flood_max_tick_lateness_ms=$(stats_value "$d" max_tick_lateness_ms) (target <= 100) max_tick_work_ms=$(stats_value "$d" max_tick_work_ms)"
echo "flood_peak_rss_kb vetrel=$vhwm arpwatch=$ahwm ratio=$(ratio "$vhwm" "$ahwm")"
echo "flood_cpu_s vetrel=$(awk -v t="$((vc1 - vc0))" -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }') arpwatch=$(awk -v t="$((ac1 - ac0))" -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }')"
echo "flood_new_address_lines=$(log_count "$d" 'Новый IP-адрес!') off_subnet_lines=$(log_count "$d" 'Адрес вне подсетей!') drop_lines=$(log_count "$d" 'потеряно кадров ARP') lost=$(log_utf8 "$d" | grep -o 'потеряно кадров ARP: [0-9]*' | awk -F': ' '{ s += $2 } END { print s + 0 }')"

echo "== idle: 1,000 entries, CheckInt 2, ${idle_seconds} s, no traffic"
d="$work/idle"
mkdir -p "$d"
ini_write "$d" CheckInt=2 WriteLog=1
: >"$d/samples.dat"
batch="$work/neigh.batch"
: >"$batch"
for i in $(seq 0 999); do
  ip="10.78.$((i / 250)).$((i % 250 + 1))"
  mac=$(printf '02:78:00:00:%02x:%02x' $((i / 256)) $((i % 256)))
  echo "neigh add $ip lladdr $mac nud permanent dev eth0" >>"$batch"
  printf '%s\t%s\t\r\n' "$ip" "$(mac_text "$mac")" >>"$d/samples.dat"
done
ip -n "$LAB"m -batch "$batch"
echo "table rows: $(ip -n "$LAB"m neigh show | wc -l)"
monitor_start "$d" --stats
aw_start "$d"
sleep "$(pick 6 2)"  # start-up and the first checks
t0=$(date +%s.%N)
c0=$(cpu_ticks "$MON_PID")
a0=$(cpu_ticks "$AW_PID")
sleep "$idle_seconds"
c1=$(cpu_ticks "$MON_PID")
a1=$(cpu_ticks "$AW_PID")
t1=$(date +%s.%N)
r1=$(rss_kb "$MON_PID")
ar=$(rss_kb "$AW_PID")
monitor_stop
aw_stop
cpu=$(awk -v c="$((c1 - c0))" -v hz="$hz" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", 100 * c / hz / (b - a) }')
acpu=$(awk -v c="$((a1 - a0))" -v hz="$hz" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", 100 * c / hz / (b - a) }')
echo "idle_cpu_percent vetrel=$cpu arpwatch=$acpu (target < 0.5, ratio $(ratio "$cpu" 0.5))"
echo "idle_rss_kb vetrel=$r1 arpwatch=$ar (target < 10240, ratio $(ratio "$r1" 10240))"
echo "idle_checks=$(stats_value "$d" checks) event_checks=$(stats_value "$d" event_checks) max_tick_lateness_ms=$(stats_value "$d" max_tick_lateness_ms) spoof_lines=$(log_count "$d" 'Подмена')"
ip -n "$LAB"m neigh flush dev eth0 nud permanent
