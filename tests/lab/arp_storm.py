#!/usr/bin/python3
"""Sends ARP frames from a packet socket for lab tests and benchmarks.

Lab use only: run it inside a network namespace that the test created.

  arp_storm.py DEV IP MAC --kind request|reply [--hosts N] [--random] [--packets N]
               [--rate PPS] [--max-seconds S] [--target IP] [--vlan VID] [--ether MAC] [--flip MAC2]

Frames come from N senders: with --random, N addresses and MACs drawn at random from
10.x.y.z (seeded, so runs repeat); otherwise N consecutive addresses from IP with MAC plus i
in its last two bytes. A request asks for --target (default IP's .254 neighbour); a reply is
gratuitous (sender and target alike, broadcast). Sent in bursts with a sleep between them,
always bounded by --packets and --max-seconds. With --vlan, each frame carries an 802.1Q
tag of that VLAN (0: a priority tag). --ether: every frame's Ethernet source (default the
sender's); --flip: every other frame's sender is MAC2. Prints "sent N in S s" to stderr.
"""
import argparse
import ipaddress
import random
import socket
import struct
import sys
import time

from arp_forge import mac_bytes  # one reader of the lab's MAC texts


def frame(kind, ip, mac, target, vlan=None, ether=None):
    tag = b"" if vlan is None else struct.pack("!HH", 0x8100, vlan)
    eth = b"\xff" * 6 + (ether or mac) + tag + struct.pack("!H", 0x0806)
    op = 1 if kind == "request" else 2
    arp = struct.pack("!HHBBH", 1, 0x0800, 6, 4, op) + mac + ip
    arp += (b"\x00" * 6 + target) if op == 1 else (mac + ip)
    return eth + arp


def main():
    p = argparse.ArgumentParser()
    p.add_argument("dev")
    p.add_argument("ip")
    p.add_argument("mac")
    p.add_argument("--kind", choices=["request", "reply"], default="reply")
    p.add_argument("--hosts", type=int, default=1)
    p.add_argument("--random", action="store_true")
    p.add_argument("--packets", type=int, default=1)
    p.add_argument("--rate", type=float, default=10.0)
    p.add_argument("--max-seconds", type=float, default=30.0)
    p.add_argument("--target")
    p.add_argument("--vlan", type=int)
    p.add_argument("--ether", type=mac_bytes)
    p.add_argument("--flip", type=mac_bytes)
    a = p.parse_args()
    if not 1 <= a.hosts <= 1 << 20 or a.packets < 1 or a.rate <= 0 or a.max_seconds > 120:
        p.error("out of range")

    first = ipaddress.IPv4Address(a.ip)
    base = mac_bytes(a.mac)
    target = ipaddress.IPv4Address(a.target) if a.target else ipaddress.IPv4Address(
        (int(first) & 0xFFFFFF00) | 254)
    rng = random.Random(1)
    frames = []
    for i in range(a.hosts):
        if a.random:
            ip = ipaddress.IPv4Address((10 << 24) | rng.randrange(1, 1 << 24))
            mac = bytes([0x02]) + rng.randrange(1, 1 << 40).to_bytes(5, "big")
        else:
            ip = first + i
            low = (int.from_bytes(base[4:], "big") + i) & 0xFFFF
            mac = base[:4] + low.to_bytes(2, "big")
        frames.append(frame(a.kind, ip.packed, mac, target.packed, a.vlan, a.ether))
        if a.flip:
            frames.append(frame(a.kind, ip.packed, a.flip, target.packed, a.vlan, a.ether))

    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    s.bind((a.dev, 0))
    start = time.monotonic()
    sent = 0
    burst = max(1, int(a.rate / 1000))  # about a millisecond's worth per wake-up
    while sent < a.packets:
        now = time.monotonic()
        if now - start > a.max_seconds:
            break
        due = start + sent / a.rate
        if due > now:
            time.sleep(due - now)
        for _ in range(min(burst, a.packets - sent)):
            try:
                s.send(frames[sent % len(frames)])
            except BlockingIOError:
                pass
            sent += 1
    s.close()
    print("sent %d in %.2f s" % (sent, time.monotonic() - start), file=sys.stderr)


if __name__ == "__main__":
    main()
