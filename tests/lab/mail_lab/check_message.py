"""Checks what the lab's SMTP server stored from Vetrel's mail.

Usage: check_message.py DIR LOGIN_HEX FROM TO
Exits non-zero with a reason when the headers, the Windows-1251 body or the
authentication are not as Vetrel sends them.
"""
import json
import re
import sys

directory, login_hex, mail_from, mail_to = sys.argv[1:5]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


raw = open(directory + "/msg-1.eml", "rb").read()
meta = json.load(open(directory + "/msg-1.meta"))

check(meta["login_hex"] == login_hex, "authenticated login %r" % meta["login_hex"])
check(meta["mechanisms"] == ["LOGIN"], "mechanisms %r" % meta["mechanisms"])
check(meta["failed_logins"] == 0, "failed logins %r" % meta["failed_logins"])
check(meta["mail_from"] == mail_from, "envelope from %r" % meta["mail_from"])
check(meta["rcpt_tos"] == [mail_to], "envelope to %r" % meta["rcpt_tos"])

head, sep, body = raw.partition(b"\r\n\r\n")
check(sep == b"\r\n\r\n", "no empty line after the header")
lines = head.split(b"\r\n")
check(len(lines) == 8, "header lines %r" % lines)
date = re.compile(rb"Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d\d "
                  rb"(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{4} "
                  rb"\d\d:\d\d:\d\d [+-]\d{4}$")
check(bool(lines) and date.match(lines[0]) is not None, "date header %r" % lines[:1])
# A unique id at the sender's domain, as large providers require.
domain = mail_from.split("@")[-1].encode()
check(re.fullmatch(rb"Message-ID: <\d+\.\d+\.\d+@" + re.escape(domain) + rb">", lines[4]) is not None,
      "message id %r" % lines[4:5])
check(lines[1:4] + lines[5:] == [b"From: <" + mail_from.encode() + b">",
                                 b"To: " + mail_to.encode(),
                                 b"Subject: Vetrel",
                                 b"MIME-Version: 1.0",
                                 b'Content-Type: text/plain; charset="windows-1251";',
                                 b"Content-Transfer-Encoding: 8bit"], "header %r" % lines[1:])

stamp = rb"\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d "
expected_texts = [
    "Подмена адреса! 192.0.2.7 00-de-ad-be-ef-01 192.0.2.7 00-11-22-33-44-55",
    "Новый IP-адрес! 192.0.2.9 00-de-ad-be-ef-09",
    # A journal line is one line: the breaks in the text it was given become '?', so no
    # line of the body can start with a dot or end the DATA early.
    "Дополн. IP-адрес! 192.0.2.10 00-de-ad-be-ef-09??.??конец",
]
pattern = b"".join(stamp + re.escape(t.encode("cp1251")) + b"\r\n" for t in expected_texts)
check(re.fullmatch(pattern + b"\r\n\r\n", body) is not None, "body %r" % body)
check("Запуск".encode("cp1251") not in body, "an Info line was mailed")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
