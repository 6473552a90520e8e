#!/usr/bin/env bash
# The Linux backend against the kernel: builds a namespace lab, runs lab_backend_tests inside
# it and removes everything again. Root. Arguments: the native build directory, then any
# GoogleTest options (--gtest_filter=...).
#
#   host ns:  lbh1 10.77.1.1/24 ---- veth ---- lbp1 10.77.1.2/24  (peer ns 1)
#             lbh2 10.77.2.1/24 ---- veth ---- lbp2 10.77.2.2/24  (peer ns 2)
set -euo pipefail
build=${1:?usage: backend.sh BUILD_DIR [GTEST_OPTION...]}
gtest_options=("${@:2}")
bin=$build/tests/lab_backend_tests
[ -x "$bin" ] || { echo "missing $bin" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "backend.sh needs root" >&2; exit 1; }

tag=linuxbe$$
host=$tag-host p1=$tag-p1 p2=$tag-p2
cleanup() {
  for ns in "$host" "$p1" "$p2"; do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "/etc/netns/$host"
}
trap cleanup EXIT INT TERM

for ns in "$host" "$p1" "$p2"; do
  ip netns add "$ns"
  ip -n "$ns" link set lo up
done
ip -n "$host" link add lbh1 address 02:77:01:00:00:01 type veth peer name lbp1 \
  address 02:77:01:00:00:02 netns "$p1"
ip -n "$host" link add lbh2 address 02:77:02:00:00:01 type veth peer name lbp2 \
  address 02:77:02:00:00:02 netns "$p2"
ip -n "$host" addr add 10.77.1.1/24 dev lbh1
ip -n "$host" addr add 10.77.2.1/24 dev lbh2
ip -n "$p1" addr add 10.77.1.2/24 dev lbp1
ip -n "$p2" addr add 10.77.2.2/24 dev lbp2
for pair in "$host lbh1" "$host lbh2" "$p1 lbp1" "$p2 lbp2"; do
  set -- $pair
  ip -n "$1" link set "$2" up
done

# Names for the reverse lookup come from the namespace's own files; no DNS server is asked
# (127.0.0.1 answers "refused" at once inside the namespace).
mkdir -p "/etc/netns/$host"
printf '10.77.1.2 peer-one.lab\n10.77.2.2 peer-two.lab\n' >"/etc/netns/$host/hosts"
printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"/etc/netns/$host/resolv.conf"

# Both links must have carrier before a probe goes out.
for _ in $(seq 50); do
  ip -n "$host" link show lbh1 | grep -q LOWER_UP && ip -n "$host" link show lbh2 | grep -q LOWER_UP && break
  sleep 0.1
done

work=$(mktemp -d /tmp/linuxbe-lab.XXXXXX)
trap 'cleanup; rm -rf "$work"' EXIT INT TERM
ip netns exec "$host" env LAB_WORK_DIR="$work" LAB_PEER1_NS="$p1" timeout 300 "$bin" --gtest_color=no "${gtest_options[@]}"
