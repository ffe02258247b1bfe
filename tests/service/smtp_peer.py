"""Scripted SMTP exchanger for the service's tests (aiosmtpd, loopback only).

The recipient decides the answer (local parts without regard to case, as real exchangers do):
  *@catchall.test        250 for every address (accept-all domain)
  alice@* / bob@*        250 mailbox exists
  full@*                 452 mailbox full
  fuller@*               552 mailbox full
  grey@*                 451 greylisted
  disabled@*             554 5.2.1 disabled
  anything else          550 no such user
Every sender is accepted; DATA is refused, because a check must never send mail.
Prints "ready" on stdout once it listens.
"""
import argparse
import asyncio
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP

ANSWERS = {
    "alice": "250 2.1.5 OK",
    "bob": "250 2.1.5 OK",
    "josé": "250 2.1.5 OK",
    "full": "452 4.2.2 Mailbox full",
    "fuller": "552 5.2.2 Mailbox full",
    "grey": "451 4.7.1 Greylisted, try again later",
    "disabled": "554 5.2.1 Account disabled",
}


class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        local, _, domain = address.rpartition("@")
        if domain.lower() == "catchall.test":
            answer = "250 2.1.5 OK"
        else:
            answer = ANSWERS.get(local.lower(), "550 5.1.1 No such user")
        if answer.startswith("250"):
            envelope.rcpt_tos.append(address)
        return answer

    async def handle_DATA(self, server, session, envelope):
        print("DATA received", file=sys.stderr, flush=True)
        return "554 5.7.1 No mail wanted"


class UnicodeController(Controller):
    def factory(self):
        return SMTP(self.handler, enable_SMTPUTF8=True, hostname="peer.test")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    args = parser.parse_args()
    controller = UnicodeController(Handler(), hostname=args.host, port=args.port)
    controller.start()
    print("ready", flush=True)
    try:
        asyncio.new_event_loop().run_until_complete(asyncio.Event().wait())
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
