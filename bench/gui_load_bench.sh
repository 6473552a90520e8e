#!/usr/bin/env bash
# vetrel.exe under Wine on a large segment: 1,000, 10,000 and 30,000 neighbours planted in
# a namespace, every one a sample, CheckInt=2. Per size: start-up until the ARP list is
# full; the longest time the window's thread leaves a WM_NULL unanswered (sent every 50 ms)
# while 100 neighbours a second change; the program's own CPU per unchanged check (and
# Wine's helpers'); private memory; Wine's own table read. Then the ratios against their
# targets.   gui_load_bench.sh MINGW_BUILD_DIR [SIZE...]
# Needs root (ip netns). Exits non-zero only when it cannot run.
set -uo pipefail
build=$(cd "${1:?usage: gui_load_bench.sh MINGW_BUILD_DIR [SIZE...]}" && pwd)
shift
# BENCH_SHORT=1: 1,000 and 10,000 neighbours, 10 s of churn, 3 idle checks (Wine alone
# needs minutes to read 30,000 rows on a loaded 2-core machine).
short=${BENCH_SHORT:-0}
churn_s=$([ "$short" = 1 ] && echo 10 || echo 20)
idle_checks=$([ "$short" = 1 ] && echo 3 || echo 10)
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || { [ "$short" = 1 ] && sizes=(1000 10000) || sizes=(1000 10000 30000); }
. "$(dirname "$0")/../scripts/wine/wine_lab.sh"
wine_lab_need "$0" "$build/vetrel.exe" "$build/arp_load_driver.exe"
wine_lab_init loadbench
wine_lab_start 10.80.0.1/16 loadbench || exit 1
cp "$build/vetrel.exe" "$build/arp_load_driver.exe" "$work/"
inns 3000 wine explorer "/desktop=$desk,1280x900" >/dev/null 2>&1 &
sleep 2
driver() { inns "$1" wine "$work/arp_load_driver.exe" "${@:2}" 2>/dev/null | tr -d '\r'; }
tck=$(getconf CLK_TCK)

# Neighbour i: 10.80.(i/250).(i%250+2) with MAC 02:80:00 (02:81:00 when churned) and i.
neighbours() {  # FIRST COUNT OUI-BYTE: "neigh replace" lines, i taken modulo $n
  awk -v f="$1" -v c="$2" -v o="$3" -v n="$n" 'BEGIN { for (k = f; k < f + c; k++) { i = k % n
    printf "neigh replace 10.80.%d.%d lladdr 02:%s:00:%02x:%02x:%02x dev v0 nud permanent\n",
      int(i / 250), i % 250 + 2, o, int(i / 65536), int(i / 256) % 256, i % 256 } }'
}
samples() {
  awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++)
    printf "10.80.%d.%d\t02-80-00-%02x-%02x-%02x\thost%d\r\n",
      int(i / 250), i % 250 + 2, int(i / 65536), int(i / 256) % 256, i % 256, i }'
}
# The pids of this prefix's Wine processes; vetrel_pid: the program's own.
prefix_pids() {
  local pid
  for pid in $(pgrep -f .); do
    grep -qz "^WINEPREFIX=$prefix\$" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
  done
}
vetrel_pid() {
  local pid
  for pid in $(prefix_pids); do
    case "$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" in
      *explorer* | *timeout* | *netns*) ;;
      *vetrel.exe*) echo "$pid"; return ;;
    esac
  done
}
ticks() {  # PID... -> user + system clock ticks
  local pid s=0
  for pid in "$@"; do
    s=$((s + $(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo 0)))
  done
  echo "$s"
}
churn() {  # SECONDS: 100 neighbours a second take the other MAC, in turn
  local s t0 rest
  t0=$(date +%s%N)
  for s in $(seq 0 $(($1 - 1))); do
    neighbours $((s * 100)) 100 "$([ $((s * 100 / n % 2)) = 0 ] && echo 81 || echo 80)" |
      ip -n "$ns" -batch - >/dev/null 2>&1
    rest=$(((t0 + (s + 1) * 1000000000 - $(date +%s%N)) / 1000000))
    [ "$rest" -gt 0 ] && sleep "$(awk -v r="$rest" 'BEGIN { print r / 1000 }')"
  done
}

printf '[Vetrel]\r\nWriteLog=0\r\nAddNew=0\r\nCheckMac=1\r\nCheckInt=2\r\nMsgMask=0\r\n' \
  >"$work/quorel.ini"
declare -A up unanswered own helpers private wine_read
for n in "${sizes[@]}"; do
  echo "== $n neighbours, every one a sample"
  neighbours 0 "$n" 80 | ip -n "$ns" -batch - || exit 1
  planted=$(ip -n "$ns" neigh show dev v0 | grep -c PERMANENT)
  [ "$planted" -ge "$n" ] || { echo "only $planted neighbours planted" >&2; exit 1; }
  samples >"$work/samples.dat"
  t0=$(date +%s.%N)
  (cd "$work" && inns 1500 wine explorer "/desktop=$desk,1280x900" vetrel.exe >/dev/null 2>&1 &)
  full=$(driver 2000 "$desk" full "$n" 1800)
  [ "$full" != "full never" ] && [ -n "$full" ] || { echo "the list never held $n rows" >&2; exit 1; }
  up[$n]=$(echo "$full" | awk -v a="$t0" '{ printf "%.2f", $2 - a }')
  echo "start-up until the ARP list is full: ${up[$n]} s; meanwhile the window left its" \
    "count unanswered for $(echo "$full" | awk '{print $6}') ms at most"
  sleep 3
  pid=$(vetrel_pid)
  [ -n "$pid" ] || { echo "no vetrel.exe process" >&2; exit 1; }
  driver 1500 "$desk" ping $((churn_s + 4)) >"$work/ping" &
  pinger=$!
  sleep 1
  churn "$churn_s"
  wait "$pinger"
  line=$(cat "$work/ping")
  echo "while 100 neighbours a second change for $churn_s s: $line"
  unanswered[$n]=$(echo "$line" | awk '{print $4}')
  sleep 4  # the last change is seen
  others=$(prefix_pids | grep -vx "$pid" | tr '\n' ' ')
  c0=$(ticks "$pid") h0=$(ticks $others)
  sleep $((2 * idle_checks))
  c1=$(ticks "$pid") h1=$(ticks $others)
  own[$n]=$(awk -v d=$((c1 - c0)) -v k="$idle_checks" -v t="$tck" 'BEGIN { printf "%.0f", 1000 * d / t / k }')
  helpers[$n]=$(awk -v d=$((h1 - h0)) -v k="$idle_checks" -v t="$tck" 'BEGIN { printf "%.0f", 1000 * d / t / k }')
  echo "CPU per 2 s of unchanged table (one check is due each): program ${own[$n]} ms," \
    "Wine's helpers ${helpers[$n]} ms (over $idle_checks)"
  private[$n]=$(awk '/^(Private_(Clean|Dirty)|Swap):/ {s += $2} END {printf "%.1f", s / 1024}' \
    "/proc/$pid/smaps_rollup")
  echo "private memory: ${private[$n]} MB"
  inns 30 wine taskkill /f /im vetrel.exe >/dev/null 2>&1
  for _ in $(seq 100); do [ -z "$(vetrel_pid)" ] && break; sleep 0.2; done
  read_ms=$(driver 900 - tableread 1)
  echo "Wine's own $read_ms (one GetIpNetTable in a process of its own, the program ended)"
  wine_read[$n]=$(echo "$read_ms" | awk '{print $4 / 1000}')
done

small=${sizes[0]} large=${sizes[-1]}
[ "$small" != "$large" ] || exit 0
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
echo "== $large against $small neighbours"
echo "longest unanswered: ${unanswered[$large]} ms against ${unanswered[$small]} ms, ratio" \
  "$(ratio "${unanswered[$large]}" "${unanswered[$small]}") (target <= 2, and < 500 ms)"
echo "start-up to a full list: ratio $(ratio "${up[$large]}" "${up[$small]}") (target <= 5);" \
  "Wine's own read of the table is ${wine_read[$large]} s of the ${up[$large]} s"
echo "own CPU per unchanged check: ratio $(ratio "${own[$large]}" "${own[$small]}")" \
  "against rows $(ratio "$large" "$small") (target: no faster than the rows)"
