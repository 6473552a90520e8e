#!/usr/bin/python3
"""Detection latency of the console monitor (benchmark helper; run it in the attacker's
namespace of the lab). Sends N forged gratuitous replies for IP, each with a new MAC
(MACBASE plus i), at a random phase of the monitor's tick, and times how long each takes to
appear as a spoofing line in the monitor's log.

  forge_latency.py DEV LOGFILE IP MACBASE N
"""
import random
import socket
import statistics
import struct
import sys
import time


def mac_bytes(text):
    return bytes(int(p, 16) for p in text.replace("-", ":").split(":"))


def main():
    dev, log, ip, base, n = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
    base = mac_bytes(base)
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    s.bind((dev, 0))
    packed = socket.inet_aton(ip)
    latencies = []
    for i in range(n):
        mac = base[:5] + bytes([(base[5] + i) & 0xFF])
        text = ("%02x-%02x-%02x-%02x-%02x-%02x" % tuple(mac)).encode()
        frame = b"\xff" * 6 + mac + struct.pack("!H", 0x0806)
        frame += struct.pack("!HHBBH", 1, 0x0800, 6, 4, 2) + mac + packed + mac + packed
        time.sleep(random.uniform(0.0, 2.0))
        with open(log, "rb") as f:
            f.seek(0, 2)
            start_at = f.tell()
        sent = time.monotonic()
        s.send(frame)
        found = None
        while time.monotonic() - sent < 10.0:
            with open(log, "rb") as f:
                f.seek(start_at)
                if text in f.read():
                    found = time.monotonic() - sent
                    break
            time.sleep(0.005)
        latencies.append(found)
        print("forgery %2d: %s" % (i + 1, "lost" if found is None else "%.3f s" % found), file=sys.stderr)
    got = [x for x in latencies if x is not None]
    if got:
        print("latency_median_s=%.3f latency_max_s=%.3f detected=%d/%d"
              % (statistics.median(got), max(got), len(got), n))
    else:
        print("latency_median_s=nan latency_max_s=nan detected=0/%d" % n)


if __name__ == "__main__":
    main()
