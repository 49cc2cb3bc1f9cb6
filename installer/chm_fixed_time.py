#!/usr/bin/env python3
"""Sets the two build times chmcmd writes into a help file to a fixed moment,
so that the same sources give the same help file: chm_fixed_time.py FILE EPOCH

chmcmd stores the millisecond of the day it ran twice: in the file header
(big-endian, offset 0x10) and in the first entry (code 10) of the #SYSTEM
file, which lies uncompressed in section 0. Both become the millisecond of
the day of EPOCH (seconds since 1970, UTC). Nothing else changes.
"""
import struct
import sys


def encint(data, pos):
    """A CHM directory number: 7 bits a byte, high bit set on all but the last."""
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def directory(data):
    """Yields (name, section, offset, length) of every file the help file lists."""
    dir_offset = struct.unpack_from("<Q", data, 0x48)[0]
    if data[dir_offset:dir_offset + 4] != b"ITSP":
        raise ValueError("no ITSP directory")
    header_length, = struct.unpack_from("<I", data, dir_offset + 8)
    chunk_size, = struct.unpack_from("<I", data, dir_offset + 0x10)
    chunks, = struct.unpack_from("<I", data, dir_offset + 0x2C)
    for chunk in range(chunks):
        start = dir_offset + header_length + chunk * chunk_size
        if data[start:start + 4] != b"PMGL":
            continue
        free, = struct.unpack_from("<I", data, start + 4)
        pos, end = start + 20, start + chunk_size - free
        while pos < end:
            length, pos = encint(data, pos)
            name = data[pos:pos + length].decode("utf-8")
            pos += length
            section, pos = encint(data, pos)
            offset, pos = encint(data, pos)
            size, pos = encint(data, pos)
            yield name, section, offset, size


def fix_times(data, epoch):
    if data[:4] != b"ITSF":
        raise ValueError("not a help file")
    millisecond = (epoch % 86400) * 1000
    struct.pack_into(">I", data, 0x10, millisecond)
    content = struct.unpack_from("<Q", data, 0x58)[0]
    for name, section, offset, size in directory(data):
        if name == "/#SYSTEM":
            start = content + offset
            code, length = struct.unpack_from("<HH", data, start + 4)
            if section != 0 or code != 10 or length != 4 or size < 12:
                raise ValueError("#SYSTEM does not begin with its time")
            struct.pack_into("<I", data, start + 8, millisecond)
            return
    raise ValueError("no #SYSTEM file")


def main():
    path, epoch = sys.argv[1], int(sys.argv[2])
    with open(path, "rb") as f:
        data = bytearray(f.read())
    try:
        fix_times(data, epoch)
    except (ValueError, IndexError, struct.error) as e:
        sys.exit("chm_fixed_time: %s: %s" % (path, e))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
