#!/usr/bin/env python3
"""Checks an RSA key pair the web server made, and its private operation, with Python's
cryptography package.

Input lines "name hex" for n, e, d, p, q, dp, dq, qinv, bits, then pairs "c hex" and
"m hex": the unit's private operation turned c into m. Prints "key ok" and exits 0 when
the key is sound and every pair checks out.
"""
import sys

from cryptography.hazmat.primitives.asymmetric import rsa

values = {}
pairs = []
for line in open(sys.argv[1], encoding="ascii"):
    name, text = line.split()
    if name == "c":
        pairs.append([int(text, 16), None])
    elif name == "m":
        pairs[-1][1] = int(text, 16)
    else:
        values[name] = int(text, 16)
n, e, d, p, q = (values[k] for k in ("n", "e", "d", "p", "q"))
public = rsa.RSAPublicNumbers(e, n)
# Raises ValueError when the parts do not make one key.
key = rsa.RSAPrivateNumbers(p, q, d, values["dp"], values["dq"], values["qinv"], public).private_key()
problems = []
if key.key_size != values["bits"]:
    problems.append(f"key size {key.key_size}")
if values["dp"] != d % (p - 1) or values["dq"] != d % (q - 1) or (values["qinv"] * q) % p != 1:
    problems.append("CRT parts")
if (e * d) % ((p - 1) * (q - 1) // __import__("math").gcd(p - 1, q - 1)) != 1:
    problems.append("d is not the inverse of e")
for prime in (p, q):
    # Fermat tests to a few bases: a composite here would be a broken prime search.
    if any(pow(a, prime - 1, prime) != 1 for a in (2, 3, 5, 7, 11)):
        problems.append("composite prime")
for c, m in pairs:
    if pow(c, d, n) != m or pow(m, e, n) != c:
        problems.append(f"private operation on {c:x}")
if problems:
    print("; ".join(problems))
    sys.exit(1)
print("key ok")
