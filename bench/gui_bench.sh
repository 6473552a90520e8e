#!/usr/bin/env bash
# Figures of vetrel.exe under Wine: executable size, start-up to a shown window beside an
# empty dialog program built the same way, private memory with 1,000 ARP rows and 1,000
# samples, and journal lines into a message window holding 50 MB.
#   gui_bench.sh MINGW_BUILD_DIR [RUNS] [MEGABYTES]
# Needs root (ip netns). Prints figures and ratios; exits non-zero only when it cannot run.
set -uo pipefail
build=$(cd "${1:?usage: gui_bench.sh MINGW_BUILD_DIR [RUNS] [MEGABYTES]}" && pwd)
# BENCH_SHORT=1: one start-up run, 1,000 lines into a 1 MB message window.
short=${BENCH_SHORT:-0}
runs=${2:-$([ "$short" = 1 ] && echo 1 || echo 5)}
megabytes=${3:-$([ "$short" = 1 ] && echo 1 || echo 50)}
lines=$([ "$short" = 1 ] && echo 1000 || echo 10000)
for f in vetrel.exe empty_dialog.exe message_bench.exe gui_driver.exe; do
  [ -f "$build/$f" ] || { echo "missing $build/$f" >&2; exit 1; }
done
[ "$(id -u)" -eq 0 ] || { echo "gui_bench.sh needs root (ip netns)" >&2; exit 1; }

ns=guibench$$
desk=guibench$$
prefix=$(mktemp -d /tmp/gui-bench-prefix.XXXXXX) || exit 1
work=$(mktemp -d /tmp/gui-bench.XXXXXX) || exit 1
. "$(dirname "$0")/../scripts/wine/wine_lab.sh"
trap wine_lab_cleanup EXIT

start_xvfb 1280x900 || exit 1

# One link of a namespace that Wine's server reads; 1,000 neighbours join it later.
ip netns add "$ns" || exit 1
ip -n "$ns" link set lo up
ip -n "$ns" link add v0 type veth peer name v1 || exit 1
ip -n "$ns" addr add 10.78.0.1/16 dev v0
ip -n "$ns" link set v0 up
ip -n "$ns" link set v1 up

inns 150 wineboot -i >/dev/null 2>&1 || { echo "wine boot did not finish" >&2; exit 1; }
inns 600 wine explorer "/desktop=$desk,1280x900" >/dev/null 2>&1 &
sleep 2

echo "== executable size"
size=$(stat -c %s "$build/vetrel.exe")
echo "vetrel.exe: $size bytes ($(awk "BEGIN{printf \"%.2f\", $size/1048576}") MB; aim < 3 MB)"
echo "empty_dialog.exe: $(stat -c %s "$build/empty_dialog.exe") bytes"

# Seconds from launch until a window of that exact title exists; the program is then ended.
startup() {  # exe title
  local exe=$1 title=$2 t0 t1
  t0=$(date +%s.%N)
  (cd "$work" && inns 120 wine explorer "/desktop=$desk,1280x900" "$exe" >/dev/null 2>&1 &)
  for _ in $(seq 600); do
    DISPLAY=":$display" xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 && break
    sleep 0.02
  done
  t1=$(date +%s.%N)
  inns 30 wine taskkill /f /im "$exe" >/dev/null 2>&1
  for _ in $(seq 100); do
    DISPLAY=":$display" xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 || break
    sleep 0.1
  done
  awk "BEGIN{printf \"%.3f\", $t1 - $t0}"
}
median() { tr ' ' '\n' | sort -n | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}'; }

cp "$build/vetrel.exe" "$build/empty_dialog.exe" "$build/gui_driver.exe" "$work/"
printf '[Vetrel]\r\nWriteLog=0\r\nAddNew=0\r\n' >"$work/quorel.ini"
echo "== start-up to a shown window ($runs runs each, median)"
startup empty_dialog.exe 'Empty dialog' >/dev/null  # warms the caches for both
ve=() em=()
for _ in $(seq "$runs"); do
  em+=("$(startup empty_dialog.exe 'Empty dialog')")
  ve+=("$(startup vetrel.exe ' Vetrel 4.1.5')")
done
m_em=$(echo "${em[*]}" | median)
m_ve=$(echo "${ve[*]}" | median)
echo "empty dialog: ${em[*]} s -> median $m_em s"
echo "vetrel.exe:   ${ve[*]} s -> median $m_ve s"
echo "start-up ratio vetrel / empty dialog: $(awk "BEGIN{printf \"%.2f\", $m_ve / $m_em}") (target <= 2)"

echo "== private memory after start"
private_kb() {  # exe -> private (clean + dirty) kB of its Wine process, not the launcher's
  local pid cmd best=0 kb
  for pid in $(pgrep -f "$1"); do
    cmd=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
    case "$cmd" in *explorer*|*timeout*|*netns*) continue ;; esac
    kb=$(awk '/^(Private_(Clean|Dirty)|Swap):/ {s += $2} END {print s + 0}' "/proc/$pid/smaps_rollup" 2>/dev/null)
    [ "${kb:-0}" -gt "$best" ] && best=$kb
  done
  echo "$best"
}
# Runs the program, reads its private memory once its first check has filled the ARP list
# (status part 0 reads "Кэш: ROWS"), ends it.
measure() {  # exe rows -> kB
  local exe=$1 rows=$2
  (cd "$work" && inns 120 wine explorer "/desktop=$desk,1280x900" "$exe" >/dev/null 2>&1 &)
  if [ "$rows" = - ]; then
    sleep 4
  else
    for _ in $(seq 60); do
      inns 30 wine "$work/gui_driver.exe" "$desk" status 2>/dev/null | sed -n 1p | tr -d '\r' |
        grep -Eq "^Кэш: $rows( \*)?\$" && break
      sleep 1
    done
    sleep 2
  fi
  private_kb "$exe"
  inns 30 wine taskkill /f /im "$exe" >/dev/null 2>&1
  for _ in $(seq 50); do pgrep -f "$exe" >/dev/null || break; sleep 0.2; done
}
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
em_kb=$(measure empty_dialog.exe -)
: >"$work/samples.dat"
base_kb=$(measure vetrel.exe 0)
for i in $(seq 0 999); do
  printf 'neigh add 10.78.%d.%d lladdr 02:00:00:00:%02x:%02x dev v0 nud permanent\n' \
    $((i / 200 + 1)) $((i % 200 + 2)) $((i / 256)) $((i % 256))
done | ip -n "$ns" -batch - || exit 1
for i in $(seq 0 999); do
  printf '10.79.%d.%d\t02-00-00-01-%02x-%02x\thost%d\r\n' $((i / 200)) $((i % 200 + 2)) $((i / 256)) $((i % 256)) "$i"
done >"$work/samples.dat"
full_kb=$(measure vetrel.exe 1000)
# The same without comparing (no journal line per new address).
printf '[Vetrel]\r\nWriteLog=0\r\nAddNew=0\r\nCheckMac=0\r\n' >"$work/quorel.ini"
quiet_kb=$(measure vetrel.exe 1000)
echo "empty dialog: $(mb "$em_kb") MB private"
echo "vetrel.exe, empty tables: $(mb "$base_kb") MB private"
echo "vetrel.exe, 1,000 ARP rows and 1,000 samples: $(mb "$full_kb") MB private (aim < 20 MB)," \
  "$(mb $((full_kb - base_kb))) MB above empty tables"
echo "  the same without comparing, so without 1,000 journal lines: $(mb "$quiet_kb") MB"

echo "== $lines journal lines into the message window at 0 MB and at $megabytes MB"
(cd "$work" && cp "$build/message_bench.exe" . && inns 1500 wine message_bench.exe "$lines" "$megabytes" 600 | tr -d '\r')
