#!/usr/bin/python3
"""A hostile ARP responder on a packet socket, for a namespace the test created.

  arp_hostile.py DEV RULE... [--max-seconds S] [--max-frames N]

It answers the ARP requests it hears as the rules say (IP=MODE:MACS):
  ok:MAC          a reply from MAC to the asker (MAC may be broadcast, zero, multicast)
  bcast:MAC       a reply from MAC with the target MAC broadcast
  otherip:MAC     a reply from MAC to the asker's MAC but another target address
  twice:MAC,MAC2  two replies to the asker, from MAC and then from MAC2
and, with early=FIRST-LAST:MAC, answers every address of that range (to the asker) at once
when it hears the first request, before any request for them went out.
Requests for other addresses go unanswered. Bounded by --max-seconds and --max-frames.
"""
import argparse
import ipaddress
import socket
import struct
import time


def mac_bytes(text):
    parts = text.replace("-", ":").split(":")
    if len(parts) != 6:
        raise ValueError("bad MAC " + text)
    return bytes(int(p, 16) for p in parts)


def reply(sender_mac, sender_ip, target_mac, target_ip, eth_dst):
    eth = eth_dst + sender_mac + struct.pack("!H", 0x0806)
    arp = struct.pack("!HHBBH", 1, 0x0800, 6, 4, 2)
    return eth + arp + sender_mac + sender_ip + target_mac + target_ip


def main():
    p = argparse.ArgumentParser()
    p.add_argument("dev")
    p.add_argument("rules", nargs="+")
    p.add_argument("--max-seconds", type=float, default=20.0)
    p.add_argument("--max-frames", type=int, default=100000)
    a = p.parse_args()
    rules, early = {}, None
    for r in a.rules:
        key, spec = r.split("=", 1)
        mode, macs = spec.split(":", 1)
        macs = [mac_bytes(m) for m in macs.split(",")]
        if key == "early":
            first, last = (ipaddress.IPv4Address(x) for x in mode.split("-"))
            early = (int(first), int(last), macs[0])
        else:
            rules[ipaddress.IPv4Address(key).packed] = (mode, macs)

    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(0x0806))
    s.bind((a.dev, 0))
    s.settimeout(0.2)
    end = time.monotonic() + a.max_seconds
    sent = 0
    bcast = b"\xff" * 6
    while time.monotonic() < end and sent < a.max_frames:
        try:
            frame = s.recv(2048)
        except socket.timeout:
            continue
        if len(frame) < 42 or frame[12:14] != b"\x08\x06" or frame[20:22] != b"\x00\x01":
            continue
        asker_mac, asker_ip, wanted = frame[22:28], frame[28:32], frame[38:42]
        out = []
        if early:
            first, last, mac = early
            for n in range(first, last + 1):
                out.append(reply(mac, n.to_bytes(4, "big"), asker_mac, asker_ip, asker_mac))
            early = None
        mode, macs = rules.get(wanted, (None, None))
        if mode == "ok":
            out.append(reply(macs[0], wanted, asker_mac, asker_ip, asker_mac))
        elif mode == "bcast":
            out.append(reply(macs[0], wanted, bcast, asker_ip, bcast))
        elif mode == "otherip":
            other = bytes(asker_ip[:3]) + bytes([(asker_ip[3] + 100) % 256])
            out.append(reply(macs[0], wanted, asker_mac, other, asker_mac))
        elif mode == "twice":
            for m in macs:
                out.append(reply(m, wanted, asker_mac, asker_ip, asker_mac))
        for f in out:
            s.send(f)
            sent += 1


if __name__ == "__main__":
    main()
