"""A real SMTP server for the mail lab: aiosmtpd on 127.0.0.1, AUTH LOGIN required.

Usage: smtp_server.py DIR LOGIN_HEX PASSWORD_HEX
Binds a free loopback port (port 0) and writes its number to DIR/port. Every accepted
message is stored byte for byte as DIR/msg-N.eml with the authenticated login, the
envelope and the number of failed logins in DIR/msg-N.meta. Runs until killed.
"""
import asyncio
import json
import os
import socket
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

directory, login_hex, password_hex = sys.argv[1], sys.argv[2], sys.argv[3]
expected = (bytes.fromhex(login_hex), bytes.fromhex(password_hex))
state = {"count": 0, "failed_logins": 0, "mechanisms": []}


def authenticator(server, session, envelope, mechanism, auth_data):
    state["mechanisms"].append(mechanism)
    if mechanism == "LOGIN" and isinstance(auth_data, LoginPassword):
        if (auth_data.login, auth_data.password) == expected:
            return AuthResult(success=True, auth_data=auth_data)
    state["failed_logins"] += 1
    return AuthResult(success=False, handled=False)


class Store:
    async def handle_DATA(self, server, session, envelope):
        state["count"] += 1
        base = os.path.join(directory, "msg-%d" % state["count"])
        with open(base + ".eml.tmp", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        login = session.auth_data.login if session.auth_data else None
        meta = {
            "login_hex": login.hex() if login else None,
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "mechanisms": state["mechanisms"],
            "failed_logins": state["failed_logins"],
        }
        with open(base + ".meta", "w") as f:
            json.dump(meta, f)
        os.rename(base + ".eml.tmp", base + ".eml")
        return "250 Message accepted for delivery"


async def main():
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind(("127.0.0.1", 0))
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(Store(), hostname="mail.lab", authenticator=authenticator,
                     auth_required=True, auth_require_tls=False),
        sock=sock)
    with open(os.path.join(directory, "port.tmp"), "w") as f:
        f.write(str(sock.getsockname()[1]))
    os.rename(os.path.join(directory, "port.tmp"), os.path.join(directory, "port"))
    async with server:
        await server.serve_forever()


asyncio.run(main())
