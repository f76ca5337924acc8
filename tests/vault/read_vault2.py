#!/usr/bin/python3
"""Reads a format-2 vault from docs/vault-format-2.md alone, with PyNaCl and hashlib.

Usage: read_vault2.py FILE   (the master password on standard input, one line)
Prints the vault as JSON. Exits 1 on a wrong password, 2 on a damaged file.
"""
import hashlib
import json
import struct
import sys
import zlib

from nacl import bindings, pwhash

MAGIC = b"\x89CFX\r\n\x1a\n"
HEADER_SIZE = 112


def derive(password, salt, memory_kib, iterations):
    root = pwhash.argon2id.kdf(32, password, salt, opslimit=iterations, memlimit=memory_kib * 1024)
    cipher_key = hashlib.blake2b(b"Cofferix vault 2 cipher key", key=root, digest_size=32).digest()
    key_check = hashlib.blake2b(b"Cofferix vault 2 key check", key=root, digest_size=32).digest()
    return cipher_key, key_check


def read(data, password):
    if len(data) < HEADER_SIZE + 16 or data[:8] != MAGIC:
        sys.exit(2)
    version, header_size, kdf, memory_kib, iterations, lanes = struct.unpack_from("<6I", data, 8)
    if (version, header_size, kdf, lanes) != (2, HEADER_SIZE, 1, 1):
        sys.exit(2)
    salt = data[32:48]
    (cipher,) = struct.unpack_from("<I", data, 48)
    nonce = data[52:76]
    key_check = data[76:108]
    (compression,) = struct.unpack_from("<I", data, 108)
    if cipher != 1 or compression not in (0, 1):
        sys.exit(2)
    cipher_key, check = derive(password, salt, memory_kib, iterations)
    if check != key_check:
        sys.exit(1)
    try:
        plain = bindings.crypto_aead_xchacha20poly1305_ietf_decrypt(
            data[HEADER_SIZE:], data[:HEADER_SIZE], nonce, cipher_key)
    except Exception:
        sys.exit(2)
    if compression == 1:
        (length,) = struct.unpack_from("<Q", plain, 0)
        inflater = zlib.decompressobj()
        plain = inflater.decompress(plain[8:])
        if len(plain) != length or not inflater.eof or inflater.unused_data:
            sys.exit(2)
    pos = 0

    def take(size):
        nonlocal pos
        if pos + size > len(plain):
            sys.exit(2)
        pos += size
        return plain[pos - size:pos]

    def u32():
        return struct.unpack("<I", take(4))[0]

    def f64():
        return struct.unpack("<d", take(8))[0]

    vault = {"memory_kib": memory_kib, "iterations": iterations,
             "create_time": f64(), "password_time": f64()}
    vault["reserved_101"] = take(u32()).hex()
    entries = []
    for _ in range(u32()):
        kind = take(1)[0]
        entry = {"kind": {1: "group", 2: "record"}[kind], "guid": take(16).hex()}
        for name in ("title", "user_name", "password", "url", "notes"):
            entry[name] = take(u32()).decode("utf-8")
        for name in ("added_time", "added_time2", "modified_time", "password_changed_time"):
            entry[name] = f64()
        entry["spare_value"] = take(8).hex()
        entries.append(entry)
    if pos != len(plain):
        sys.exit(2)
    vault["entries"] = entries
    return vault


def main():
    with open(sys.argv[1], "rb") as file:
        data = file.read()
    password = sys.stdin.readline().rstrip("\n").encode("utf-8")
    json.dump(read(data, password), sys.stdout, ensure_ascii=False, indent=1)
    print()


if __name__ == "__main__":
    main()
