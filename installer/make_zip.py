#!/usr/bin/env python3
"""Writes the portable zip: make_zip.py OUT.zip FILE...

Each file is stored under its own name, deflated. Names are written in GBK
without the UTF-8 flag, as Chinese Windows (XP to 10) expects: its built-in
zip folder reads names in the system code page, so a UTF-8 name such as
说明.txt would show as garbage there.
"""
import os
import sys
import zipfile


class GbkName(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits & ~0x800


def main():
    out, files = sys.argv[1], sys.argv[2:]
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for path in files:
            info = GbkName.from_file(path, os.path.basename(path))
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                z.writestr(info, f.read())
    # Read it back as Windows will: every name in GBK, every file intact.
    with zipfile.ZipFile(out, metadata_encoding="gbk") as z:
        names = sorted(z.namelist())
        expected = sorted(os.path.basename(p) for p in files)
        if names != expected or z.testzip() is not None:
            sys.exit("make_zip: %s does not read back: %s" % (out, names))


if __name__ == "__main__":
    main()
