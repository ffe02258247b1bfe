#!/usr/bin/env bash
# Seed corpus of the address target: plain, quoted, escaped, international (local part and
# domain), address literals (IPv4, IPv6, general), and a few refusals.
set -euo pipefail
mkdir -p "$1"
n=0
while IFS= read -r address; do
    n=$((n + 1))
    printf '%s' "$address" >"$1/seed-$n"
done <<'ADDRESSES'
name@example.com
first.last+tag@sub.example.co.uk
"quoted name"@example.org
"a\"b\\c"@example.net
"a..b"@example.com
jörg@müller.de
用户@例子.广告
info@xn--mller-kva.de
user@[192.0.2.1]
user@[IPv6:2001:db8::1]
user@[IPv6:::ffff:192.0.2.1]
user@[tag:opaque]
Straße@FAẞ.de
user@ex-ample.com.
a@b
.dot@example.com
user@-bad.example
user@exa_mple.com
user@@example.com
ADDRESSES
