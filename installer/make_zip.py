#!/usr/bin/env python3
"""Writes the portable zip: make_zip.py EPOCH OUT.zip FILE...

Each file is stored under its own name, deflated, in the order given; a
FILE given as PATH::NAME is stored as NAME (a name with folders). Names
are written in GBK without the UTF-8 flag, as Chinese Windows (XP to 10)
expects: its built-in zip folder reads names in the system code page, so a
UTF-8 name such as 说明.txt would show as garbage there.

Nothing of the machine that writes it reaches the zip, so the same files give
the same bytes: every entry carries the time EPOCH (seconds since 1970, as
UTC; zip times cannot go before 1980) and the attributes of a plain archived
file as Windows writes them, whatever the files' own times and modes.
"""
import os
import sys
import time
import zipfile

FILE_ATTRIBUTE_ARCHIVE = 0x20
MADE_ON_WINDOWS = 0


class GbkName(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits & ~0x800


def entry_time(epoch):
    return max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))


def entry(given):
    if "::" in given:
        path, name = given.split("::", 1)
        return path, name
    return given, os.path.basename(given)


def main():
    epoch, out, files = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    with zipfile.ZipFile(out, "w") as z:
        for given in files:
            path, name = entry(given)
            info = GbkName(name, date_time=entry_time(epoch))
            info.create_system = MADE_ON_WINDOWS
            info.external_attr = FILE_ATTRIBUTE_ARCHIVE
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    # Read it back as Windows will: every name in GBK, every file intact.
    with zipfile.ZipFile(out, metadata_encoding="gbk") as z:
        names = sorted(z.namelist())
        expected = sorted(entry(p)[1] for p in files)
        if names != expected or z.testzip() is not None:
            sys.exit("make_zip: %s does not read back: %s" % (out, names))


if __name__ == "__main__":
    main()
