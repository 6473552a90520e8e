#!/usr/bin/env bash
# Benchmark of `vetrel monitor` in the namespace lab (root): idle cost over a 1,000-entry
# table, detection latency, and a flood of forged replies. Prints figures against the
# targets; it is not a test. Usage: monitor_bench.sh BUILD_DIR [IDLE_SECONDS (default 60)]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
VETREL=$(cd "${1:?usage: monitor_bench.sh BUILD_DIR [IDLE_SECONDS]}" && pwd)/src/vetrel
idle_seconds=${2:-60}
LAB=conb$$
. "$root/scripts/lab/console_netlab.sh"
[ "$(id -u)" -eq 0 ] || { echo "monitor bench: needs root"; exit 1; }

work=$(mktemp -d /tmp/vetrel-monitor-bench.XXXXXX)
trap 'monitor_kill; lab_down; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
stats_value() { grep -o "$2=[0-9.]*" "$1/stderr" | tail -n1 | cut -d= -f2; }

lab_down
lab_up || exit 1

echo "== idle: 1,000 entries, CheckInt 2, ${idle_seconds} s"
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
sleep 6  # start-up and the first checks
t0=$(date +%s.%N)
c0=$(cpu_ticks "$MON_PID")
r0=$(rss_kb "$MON_PID")
sleep "$idle_seconds"
c1=$(cpu_ticks "$MON_PID")
t1=$(date +%s.%N)
r1=$(rss_kb "$MON_PID")
monitor_stop
cpu=$(awk -v c="$((c1 - c0))" -v hz="$hz" -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", 100 * c / hz / (b - a) }')
echo "idle_cpu_percent=$cpu (target < 0.5, ratio $(awk -v x="$cpu" 'BEGIN { printf "%.2f", x / 0.5 }'))"
echo "idle_rss_kb=$r1 (at start of window $r0; target < 10240, ratio $(awk -v x="$r1" 'BEGIN { printf "%.2f", x / 10240 }'))"
echo "idle_checks=$(stats_value "$d" checks) max_tick_lateness_ms=$(stats_value "$d" max_tick_lateness_ms) max_tick_work_ms=$(stats_value "$d" max_tick_work_ms) spoof_lines=$(log_count "$d" 'Подмена')"
ip -n "$LAB"m neigh flush dev eth0 nud permanent

echo "== detection latency: 20 forgeries, CheckInt 2"
d="$work/latency"
mkdir -p "$d"
ini_write "$d" CheckInt=2 WriteLog=1 AddNew=0 CheckMac=1
peer_sample "$d"
monitor_start "$d"
announce_peer
sleep 2.5
ip netns exec "$LAB"a /usr/bin/python3 "$here/forge_latency.py" eth0 "$d/quorel.log" \
  "$LAB_NET.2" 02:66:00:00:00:10 20 2>"$d/latency.txt" | tee "$d/latency.out"
cat "$d/latency.txt"
echo "(CheckInt 2 s: a uniform phase gives a median near 1 s plus the check's own time)"
monitor_stop

echo "== flood: 1,000 forged replies/s for 10 s over 200 new hosts, CheckInt 1"
d="$work/flood"
mkdir -p "$d"
ini_write "$d" CheckInt=1 WriteLog=1 AddNew=1 AddAddIp=1 CheckMac=1
ip -n "$LAB"m neigh flush dev eth0
monitor_start "$d" --stats
sleep 2
rss_series=()
ip netns exec "$LAB"a /usr/bin/python3 "$root/tests/lab/arp_forge.py" eth0 "$LAB_NET.20" \
  02:55:00:00:00:00 --hosts 200 --packets 10000 --rate 1000 --max-seconds 15 2>"$d/forge.txt" &
forger=$!
for i in $(seq 1 12); do
  rss_series+=("$(rss_kb "$MON_PID")")
  sleep 1
done
wait "$forger"
sleep 3
rss_series+=("$(rss_kb "$MON_PID")")
monitor_stop
cat "$d/forge.txt"
new_lines=$(log_count "$d" 'Новый IP-адрес!')
distinct=$(log_utf8 "$d" | grep -F 'Новый IP-адрес!' | awk '{ print $5 }' | sort -u | wc -l)
stdout_lines=$(iconv -f cp1251 -t utf-8 "$d/stdout" | grep -cF 'Новый IP-адрес!')
samples=$(grep -c . "$d/samples.dat")
echo "flood_new_address_lines=$new_lines distinct=$distinct stdout=$stdout_lines samples=$samples (expected 200 each)"
echo "flood_max_tick_lateness_ms=$(stats_value "$d" max_tick_lateness_ms) (limit 1000) max_tick_work_ms=$(stats_value "$d" max_tick_work_ms) ticks=$(stats_value "$d" ticks) checks=$(stats_value "$d" checks)"
echo "flood_rss_kb_series=${rss_series[*]}"
