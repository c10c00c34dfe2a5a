#!/usr/bin/env python3
"""Writes a small 7z archive (copy method, plain header) entry by entry, for the
cases 7zz will not make: a directory listed after its files, names that point
outside the extraction directory, a file whose stored CRC is wrong.

usage: craft_7z.py OUT.7z [--bad-crc NAME] ENTRY...
ENTRY is NAME=FILE (a file holding FILE's bytes) or NAME/ (a directory), in
archive order; NAME is taken as given, separators and all.
"""
import struct
import sys
import zlib


def number(n):
    """7z's variable-length number: leading one bits count the extra bytes."""
    for extra in range(9):
        if extra == 8 or n < (1 << (8 * extra + 7 - extra)):
            mask = (0xFF << (8 - extra)) & 0xFF
            high = (n >> (8 * extra)) if extra < 8 else 0
            return bytes([mask | high]) + n.to_bytes(8, "little")[:extra]
    raise ValueError(n)


def bits(flags):
    out = bytearray((len(flags) + 7) // 8)
    for i, flag in enumerate(flags):
        if flag:
            out[i // 8] |= 0x80 >> (i % 8)
    return bytes(out)


def main(argv):
    out, rest = argv[0], argv[1:]
    bad = None
    if rest[:1] == ["--bad-crc"]:
        bad, rest = rest[1], rest[2:]
    entries = []  # (name, data or None for a directory)
    for item in rest:
        if item.endswith("/") and "=" not in item:
            entries.append((item[:-1], None))
        else:
            name, path = item.split("=", 1)
            with open(path, "rb") as f:
                entries.append((name, f.read()))

    streams = [(n, d) for n, d in entries if d]
    packed = b"".join(d for _, d in streams)
    header = bytearray(b"\x01")
    if streams:
        header += b"\x04"
        header += b"\x06" + number(0) + number(1) + b"\x09" + number(len(packed)) + b"\x00"
        header += b"\x07\x0b" + number(1) + b"\x00"          # one folder, inline
        header += number(1) + b"\x01\x00"                     # one coder: copy
        header += b"\x0c" + number(len(packed)) + b"\x00"
        header += b"\x08\x0d" + number(len(streams))
        if len(streams) > 1:
            header += b"\x09" + b"".join(number(len(d)) for _, d in streams[:-1])
        header += b"\x0a\x01"
        for name, data in streams:
            crc = zlib.crc32(data)
            header += struct.pack("<I", crc ^ 1 if name == bad else crc)
        header += b"\x00\x00"
    empty = [not d for _, d in entries]
    header += b"\x05" + number(len(entries))
    if any(empty):
        vector = bits(empty)
        header += b"\x0e" + number(len(vector)) + vector
        files = bits([d is not None for _, d in entries if not d])
        header += b"\x0f" + number(len(files)) + files
    names = b"\x00" + b"".join(n.encode("utf-16-le") + b"\x00\x00" for n, _ in entries)
    header += b"\x11" + number(len(names)) + names
    header += b"\x00\x00"

    tail = struct.pack("<QQI", len(packed), len(header), zlib.crc32(header))
    start = b"7z\xbc\xaf\x27\x1c\x00\x04" + struct.pack("<I", zlib.crc32(tail)) + tail
    with open(out, "wb") as f:
        f.write(start + packed + bytes(header))


if __name__ == "__main__":
    main(sys.argv[1:])
