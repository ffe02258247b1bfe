#!/usr/bin/env bash
# Seed corpus of the SMTP reply target: whole sessions as exchangers answer, with multi-line
# replies, enhanced codes, block-list and quota wording, retry times, and a malformed reply.
set -euo pipefail
mkdir -p "$1"
printf '220 mx.example.com ESMTP\r\n250-mx.example.com\r\n250-SMTPUTF8\r\n250 8BITMIME\r\n250 2.1.0 Ok\r\n250 2.1.5 Ok\r\n550 5.1.1 <x@example.com>: user unknown\r\n' >"$1/seed-session"
printf '450-4.7.1 Greylisted,\r\n450 4.7.1 please try again in 5 minutes\r\n' >"$1/seed-greylist"
printf '451 Temporary failure, retry after 300 seconds\n' >"$1/seed-retry"
printf '554 5.7.1 Service unavailable; client host blocked using zen.spamhaus.org\r\n' >"$1/seed-blocklist"
printf '552 5.2.2 Mailbox full\r\n550 Mailbox disabled\r\n421 4.3.2 busy, wait 2 hours\r\n' >"$1/seed-full"
printf '250 OK\r\n25O broken\r\n' >"$1/seed-malformed"
