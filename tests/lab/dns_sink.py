#!/usr/bin/python3
"""A name server that never answers: it logs each query's arrival time and name.

Lab use only, inside a network namespace that the test created. A resolver pointed at it
waits its whole time-out for every lookup, which makes a scan with name lookups slow enough
to watch, and the log shows which addresses were looked up and when.

  dns_sink.py ADDRESS LOGFILE [--max-seconds S]

Each log line: the wall-clock time of arrival (seconds, as `date +%s.%N`), a blank, the
queried name (for a reverse lookup "d.c.b.a.in-addr.arpa").
"""
import argparse
import socket
import time


def query_name(packet):
    labels = []
    at = 12  # the header
    while at < len(packet):
        length = packet[at]
        if length == 0 or length > 63 or at + 1 + length > len(packet):
            break
        labels.append(packet[at + 1 : at + 1 + length].decode("ascii", "replace"))
        at += 1 + length
    return ".".join(labels) or "?"


def main():
    p = argparse.ArgumentParser()
    p.add_argument("address")
    p.add_argument("log")
    p.add_argument("--max-seconds", type=float, default=120)
    a = p.parse_args()
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((a.address, 53))
    end = time.monotonic() + a.max_seconds
    with open(a.log, "a", buffering=1) as log:
        while True:
            left = end - time.monotonic()
            if left <= 0:
                break
            s.settimeout(left)
            try:
                packet, _ = s.recvfrom(2048)
            except socket.timeout:
                break
            log.write("%.6f %s\n" % (time.time(), query_name(packet)))


if __name__ == "__main__":
    main()
