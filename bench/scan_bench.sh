#!/usr/bin/env bash
# Benchmark of `vetrel scan` against arp-scan in the scan lab (root): the /24 of 200 live
# hosts and 54 dead addresses, the /22 around it (the same 200 live, 822 dead), and the /24
# with 10 % of ARP packets lost. Each case runs both programs in turn, RUNS times each after
# one warm-up, on the same interface and range, and prints minimum, median and maximum wall
# time, the ratio of the medians and the hosts found. It prints figures; it is not a test.
# Usage: scan_bench.sh BUILD_DIR [RUNS (default 7)]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
VETREL=$(cd "${1:?usage: scan_bench.sh BUILD_DIR [RUNS]}" && pwd)/src/vetrel
# BENCH_SHORT=1: one run of each case.
runs=${2:-$([ "${BENCH_SHORT:-0}" = 1 ] && echo 1 || echo 7)}
LAB=scb$$
. "$root/scripts/lab/scan_netlab.sh"
[ "$(id -u)" -eq 0 ] || { echo "scan bench: needs root"; exit 1; }
command -v arp-scan >/dev/null || { echo "scan bench: arp-scan missing (scripts/setup-deps.sh)"; exit 1; }
command -v nft >/dev/null || { echo "scan bench: nft missing (scripts/setup-deps.sh)"; exit 1; }

work=$(mktemp -d /tmp/vetrel-scan-bench.XXXXXX)
trap 'scan_lab_down; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
scan_lab_up || { echo "scan bench: cannot build the namespaces"; exit 1; }
scan_live_hosts | sed "s/^/$SCAN_NET./" | sort >"$work/live"
mkdir -p "$work/dir"

# One timed run; prints "SECONDS FOUND SAME" where FOUND counts distinct addresses and SAME
# is 1 when they are exactly the live hosts.
timed() {  # vetrel|arp-scan FROM TO
  local out="$work/out" t0 t1
  t0=$(date +%s%N)
  if [ "$1" = vetrel ]; then
    ip netns exec "${LAB}s" "$VETREL" scan --dir "$work/dir" --threads 16 "$2" "$3" \
      >"$out" 2>/dev/null
  else
    # -q: address and MAC only; -x: no header and footer. Defaults otherwise.
    ip netns exec "${LAB}s" arp-scan -I eth0 -q -x "$2-$3" >"$out" 2>/dev/null
  fi
  t1=$(date +%s%N)
  cut -f1 "$out" | sort -u >"$out.ips"
  local same=0
  cmp -s "$out.ips" "$work/live" && same=1
  echo "$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) / 1e9 }') $(wc -l <"$out.ips") $same"
}

# min median max of the numbers on stdin
stats() { sort -g | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f %.3f %.3f", v[1], m, v[NR] }'; }

bench_case() {  # title FROM TO
  echo "== $1: $2 to $3, $runs runs each, alternating, after one warm-up each"
  timed vetrel "$2" "$3" >/dev/null
  timed arp-scan "$2" "$3" >/dev/null
  : >"$work/v" && : >"$work/a"
  local _
  for _ in $(seq "$runs"); do
    timed vetrel "$2" "$3" >>"$work/v"
    timed arp-scan "$2" "$3" >>"$work/a"
  done
  local v a
  v=$(cut -d' ' -f1 "$work/v" | stats)
  a=$(cut -d' ' -f1 "$work/a" | stats)
  echo "vetrel scan --threads 16  wall s min/median/max: $v  found per run: $(cut -d' ' -f2 "$work/v" | paste -sd' ') exact: $(awk '{ s += $3 } END { print s "/" NR }' "$work/v")"
  echo "arp-scan (defaults)       wall s min/median/max: $a  found per run: $(cut -d' ' -f2 "$work/a" | paste -sd' ') exact: $(awk '{ s += $3 } END { print s "/" NR }' "$work/a")"
  paste -d' ' "$work/v" "$work/a" | awk '{ print $1 / $4 }' | stats >"$work/pairs"
  echo "ratio of medians vetrel/arp-scan: $(awk -v v="${v#* }" -v a="${a#* }" 'BEGIN { split(v, x, " "); split(a, y, " "); printf "%.2f", x[1] / y[1] }') (target <= 0.60); pair by pair min/median/max: $(cat "$work/pairs")"
}

loss_case() {  # title NAMESPACE
  echo "== 10 % ARP loss: $1"
  scan_loss_on "$2" || { echo "cannot set the nftables rule"; return; }
  : >"$work/v" && : >"$work/a"
  local _
  for _ in $(seq "$runs"); do
    timed vetrel "$SCAN_NET.1" "$SCAN_NET.254" >>"$work/v"
    timed arp-scan "$SCAN_NET.1" "$SCAN_NET.254" >>"$work/a"
  done
  ip netns exec "$2" nft list table arp loss 2>/dev/null | grep -q numgen || echo "(rule missing)"
  scan_loss_off "$2"
  local share='{ s += $2 } END { printf "%d of %d (%.2f %%)", s, 200 * NR, 100 * s / (200 * NR) }'
  echo "vetrel   found per run: $(cut -d' ' -f2 "$work/v" | paste -sd' ')  live hosts found: $(awk "$share" "$work/v")  wall median $(cut -d' ' -f1 "$work/v" | stats | cut -d' ' -f2) s"
  echo "arp-scan found per run: $(cut -d' ' -f2 "$work/a" | paste -sd' ')  live hosts found: $(awk "$share" "$work/a")  wall median $(cut -d' ' -f1 "$work/a" | stats | cut -d' ' -f2) s"
}

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(arp-scan --version 2>&1 | head -n1)"
bench_case "/24, 200 live and 54 dead" "$SCAN_NET.1" "$SCAN_NET.254"
bench_case "/22, the same 200 live and 822 dead" 10.66.0.1 10.66.3.254
# Packet sockets (both programs read replies from one) see a frame before the kernel's ARP
# input hook, so the rule in the scanning namespace drops nothing they read; in the hosts'
# namespace it drops the requests before they are answered.
loss_case "rule on the hosts' ARP input (requests lost)" "${LAB}h"
loss_case "rule on the scanning namespace's ARP input" "${LAB}s"
echo "load afterwards $(cut -d' ' -f1-3 /proc/loadavg)"
