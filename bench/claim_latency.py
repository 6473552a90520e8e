#!/usr/bin/python3
"""Time from a forged ARP claim to its report, for several watchers of the same wire at once
(benchmark helper; run it in the attacker's namespace of the lab). Sends N gratuitous replies
claiming IP, each with a new MAC (MACBASE plus i), a random 1.1 to 1.6 s apart (beyond the
kernel's lock time of a neighbour entry), and times when each watcher's file first holds that
MAC in its own spelling.

  claim_latency.py DEV IP MACBASE N NAME=FILE:STYLE...

STYLE is "dash" (02-66-00-00-00-10, vetrel's log) or "colon" (02:66:00:00:00:10, arpwatch).
Prints one line per watcher: NAME_median_s=... NAME_max_s=... NAME_detected=K/N.
"""
import random
import socket
import statistics
import struct
import sys
import time


def mac_bytes(text):
    return bytes(int(p, 16) for p in text.replace("-", ":").split(":"))


def spelled(mac, style):
    if style == "dash":
        return "-".join("%02x" % b for b in mac).encode()
    return ":".join("%02x" % b for b in mac).encode()


def main():
    dev, ip, base, n = sys.argv[1], sys.argv[2], mac_bytes(sys.argv[3]), int(sys.argv[4])
    watchers = []
    for spec in sys.argv[5:]:
        name, rest = spec.split("=", 1)
        path, style = rest.rsplit(":", 1)
        watchers.append((name, path, style))
    if not 1 <= n <= 100:
        sys.exit("N out of range")
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    s.bind((dev, 0))
    packed = socket.inet_aton(ip)
    found = {w[0]: [] for w in watchers}
    rng = random.Random(2)
    for i in range(n):
        mac = base[:5] + bytes([(base[5] + i) & 0xFF])
        eth = b"\xff" * 6 + mac + struct.pack("!H", 0x0806)
        frame = eth + struct.pack("!HHBBH", 1, 0x0800, 6, 4, 2) + mac + packed + mac + packed
        time.sleep(rng.uniform(1.1, 1.6))
        starts = {}
        for name, path, _ in watchers:
            with open(path, "rb") as f:
                f.seek(0, 2)
                starts[name] = f.tell()
        sent = time.monotonic()
        s.send(frame)
        left = {w[0]: w for w in watchers}
        while left and time.monotonic() - sent < 5.0:
            for name, (_, path, style) in list(left.items()):
                with open(path, "rb") as f:
                    f.seek(starts[name])
                    if spelled(mac, style) in f.read():
                        found[name].append(time.monotonic() - sent)
                        del left[name]
            time.sleep(0.002)
        print("claim %2d: %s" % (i + 1, " ".join(
            "%s=%s" % (w[0], "lost" if w[0] in left else "%.3f" % found[w[0]][-1]) for w in watchers)),
            file=sys.stderr)
    for name, _, _ in watchers:
        got = found[name]
        if got:
            print("%s_median_s=%.3f %s_max_s=%.3f %s_detected=%d/%d" % (
                name, statistics.median(got), name, max(got), name, len(got), n))
        else:
            print("%s_median_s=nan %s_max_s=nan %s_detected=0/%d" % (name, name, name, n))


if __name__ == "__main__":
    main()
