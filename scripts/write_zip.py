#!/usr/bin/env python3
"""Writes a zip whose bytes depend on nothing but the files' names and
contents, in the order given:

    python3 scripts/write_zip.py out.zip file...

Each entry is named by the file's base name and carries the same date
(1980-01-01 00:00, the earliest a zip can hold), MS-DOS as the system it was
made on and no attributes, so neither the clock, the time zone, the umask
nor the files' own times reach the zip. The entries are deflated at level 9;
the same zlib gives the same bytes.
"""

import os
import sys
import zipfile

DATE = (1980, 1, 1, 0, 0, 0)


def entry(name):
    info = zipfile.ZipInfo(name, date_time=DATE)
    info.create_system = 0
    info.external_attr = 0
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    out, files = argv[1], argv[2:]
    names = [os.path.basename(f) for f in files]
    if len(set(names)) != len(names):
        print("write_zip: two files of the same name", file=sys.stderr)
        return 2
    # Written beside the target and renamed, so a failure leaves no half zip.
    partial = out + ".partial"
    with zipfile.ZipFile(partial, "w") as z:
        for path, name in zip(files, names):
            with open(path, "rb") as f:
                z.writestr(entry(name), f.read(), compresslevel=9)
    os.replace(partial, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
