#!/usr/bin/python3
"""Sends forged gratuitous ARP replies from a packet socket.

Lab use only: run it inside a network namespace that the test created. Each reply claims
IP -> MAC (sender and target fields alike, broadcast frame), which a Linux neighbour table
takes over at once, as a gratuitous reply overrides the lock time.

  arp_forge.py DEV IP MAC [--hosts N] [--packets N] [--rate PPS] [--max-seconds S]

With --hosts N the replies cycle over N consecutive addresses from IP, host i claiming MAC
plus i in its last two bytes. Always bounded by --packets and --max-seconds.
"""
import argparse
import ipaddress
import socket
import struct
import sys
import time


def mac_bytes(text):
    parts = text.replace("-", ":").split(":")
    if len(parts) != 6:
        raise ValueError("bad MAC " + text)
    return bytes(int(p, 16) for p in parts)


def reply_frame(ip, mac):
    eth = b"\xff" * 6 + mac + struct.pack("!H", 0x0806)
    arp = struct.pack("!HHBBH", 1, 0x0800, 6, 4, 2)
    arp += mac + ip.packed + mac + ip.packed
    return eth + arp


def main():
    p = argparse.ArgumentParser()
    p.add_argument("dev")
    p.add_argument("ip")
    p.add_argument("mac")
    p.add_argument("--hosts", type=int, default=1)
    p.add_argument("--packets", type=int, default=1)
    p.add_argument("--rate", type=float, default=10.0)
    p.add_argument("--max-seconds", type=float, default=30.0)
    a = p.parse_args()
    if a.hosts < 1 or a.hosts > 65535 or a.packets < 1 or a.rate <= 0:
        p.error("out of range")

    first = ipaddress.IPv4Address(a.ip)
    base = mac_bytes(a.mac)
    frames = []
    for i in range(a.hosts):
        low = (int.from_bytes(base[4:], "big") + i) & 0xFFFF
        frames.append(reply_frame(first + i, base[:4] + low.to_bytes(2, "big")))

    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    s.bind((a.dev, 0))
    start = time.monotonic()
    sent = 0
    while sent < a.packets:
        now = time.monotonic()
        if now - start > a.max_seconds:
            break
        due = start + sent / a.rate
        if due > now:
            time.sleep(due - now)
        s.send(frames[sent % a.hosts])
        sent += 1
    s.close()
    print("sent %d in %.2f s" % (sent, time.monotonic() - start), file=sys.stderr)


if __name__ == "__main__":
    main()
